#include "install/UnpackVpk.h"

#include "diag/Logger.h"
#include "platform/Executor.h"
#include "platform/FileUtils.h"

UnpackVpk::UnpackVpk(const std::string& home)
    : home_(home), tool_(FileUtils::join(FileUtils::join(home, "bin"), "vunpack.exe")) {}

bool UnpackVpk::operator()(const std::string& archive) const {
    const std::string target = FileUtils::join(home_, archive);
    const std::string source = FileUtils::replaceSuffix(target, ".pack");
    const std::string commandLine = "\"" + tool_ + "\" -r \"" + source + "\" \"" + target + "\"";
    if (Executor::ExecProcessWaitForFinish(tool_, commandLine) != 0) {
        LOG_ERROR("UnpackVpk::operator ()", "-- Exec: unpacking " << archive << " failed.");
        return false;
    }
    return true;
}

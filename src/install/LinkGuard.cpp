#include "install/LinkGuard.h"

#include <stdexcept>

#include "diag/VdsError.h"
#include "platform/FileUtils.h"

void LinkGuard::refuseReparsePoint(const std::string& path) {
    if (FileUtils::isReparsePoint(path)) {
        VDS_THROW(
            std::runtime_error, "InstallVRE",
            "[" + path +
                "] is a link (reparse point); the patch cache must not lead elsewhere, refusing to use it");
    }
}

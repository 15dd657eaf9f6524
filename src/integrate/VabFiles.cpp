#include "integrate/VabFiles.h"

#include <algorithm>
#include <stdexcept>

#include "diag/VdsError.h"
#include "platform/FileUtils.h"
#include "platform/SysInfo.h"

namespace VabFiles {

namespace {

const std::vector<std::string> files64 = {
    "bin\\WindowsVabBridge-64.dll",
    "bin\\VeskAccessBridge.dll",
    "lib\\ext\\vab-bridge-64.vpk",
};

const std::vector<std::string> files32On64 = {
    "bin\\WindowsVabBridge-32.dll",
    "bin\\VeskAccessBridge-32.dll",
    "bin\\VAWTAccessBridge-32.dll",
    "lib\\ext\\vab-bridge-32.vpk",
};

const std::vector<std::string> files32 = {
    "bin\\WindowsVabBridge.dll",
    "bin\\VeskAccessBridge.dll",
    "bin\\VAWTAccessBridge.dll",
    "lib\\ext\\vab-bridge.vpk",
};

}  // namespace

std::vector<std::string> getVabFiles(const InstalledVesk& product) {
    switch (product.bundle.arch) {
        case 64:
            return files64;
        case 32:
            return SysInfo::isNativeX64() ? files32On64 : files32;
        default:
            VDS_THROW(std::invalid_argument, "VabFiles::getVabFiles", "Unexpected VeskArch value");
    }
}

std::string runtimeFolder(const InstalledVesk& product) {
    return FileUtils::join(product.homeDir, product.bundle.runtimeSubdir());
}

std::vector<std::string> getOtherArchVabFiles(const InstalledVesk& product) {
    const std::vector<std::string> own = getVabFiles(product);
    std::vector<std::string> others;
    for (const std::vector<std::string>* list : {&files64, &files32On64, &files32}) {
        for (const std::string& file : *list) {
            if (std::find(own.begin(), own.end(), file) == own.end()) {
                others.push_back(file);
            }
        }
    }
    std::sort(others.begin(), others.end());
    others.erase(std::unique(others.begin(), others.end()), others.end());
    const std::string subdir = product.bundle.runtimeSubdir();
    for (std::string& file : others) {
        file = FileUtils::join(subdir, file);
    }
    return others;
}

}  // namespace VabFiles

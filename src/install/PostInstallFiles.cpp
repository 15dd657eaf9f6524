#include "install/PostInstallFiles.h"

#include <windows.h>

#include <cstdio>

#include "config/InstallConfigData.h"
#include "detect/HomePath.h"
#include "diag/CatchAndLog.h"
#include "diag/Logger.h"
#include "diag/TraceScope.h"
#include "diag/VdsError.h"
#include "diag/tstrings.h"
#include "integrate/VabFiles.h"
#include "platform/FileUtils.h"
#include "platform/SysInfo.h"

namespace {

bool isAbsolute(const std::string& path) { return HomePath::isAbsolute(tstrings::toUtf16(path, CP_ACP)); }

// Copies the file that `key` names to the path that `target` gives. A relative source
// would be read from whatever the current directory is by now (the patch cache, or the
// folder the installer was started from), and a relative target written there: both must
// be absolute.
template <class Target>
void installConfiguredFile(const char* function, const InstallConfigData& config, StringKey key,
                           const char* what, Target&& target) {
    try {
        if (!config.IsKeySet(configkeys::name(key))) {
            return;
        }
        const std::string source = config.GetStringValue(key);
        const std::string destination = target();
        LOG_INFO(function, "Installing " << what << " from " << source << " to " << destination << ")");
        for (const std::string* path : {&source, &destination}) {
            if (!isAbsolute(*path)) {
                VDS_THROW(std::runtime_error, function, "Not an absolute path: [" + *path + "]");
            }
        }
        FileUtils::copyFile(source, destination, false);
    }
    VDS_CATCH_AND_LOG(function)
}

}  // namespace

void InstallVUTConfigFile(const InstalledVesk& product, const InstallConfigData& config) {
    constexpr const char* function = "InstallVUTConfigFile";
    TRACE_SCOPE(function);
    installConfiguredFile(function, config, StringKey::USAGETRACKER_CFG, "Vesk Usage Tracker", [&] {
        return FileUtils::join(VabFiles::runtimeFolder(product), "lib\\management\\usagetracker.properties");
    });
}

void InstallDRSFile(const InstallConfigData& config) {
    constexpr const char* function = "InstallDRSFile";
    TRACE_SCOPE(function);
    installConfiguredFile(function, config, StringKey::DEPLOYMENT_RULE_SET, "Deployment Rule Set", [] {
        return FileUtils::join(SysInfo::getWindowsDirectory(), "Tolm\\Vesk\\Deployment\\DeploymentRuleSet.vpk");
    });
}

void CleanupTempFiles(const std::string& home) {
    constexpr const char* function = "CleanupTempFiles";
    LOG_INFO(function, "** Start WINAPI CleanupTempFiles **");
    if (isAbsolute(home)) {
        for (const char* format : {"%s\\core.zip", "%s\\patchvre.exe", "%s\\tools.zip"}) {
            char path[2048];
            const int length = std::snprintf(path, sizeof path, format, home.c_str());
            // A cut name would be another file.
            if (length < 0 || static_cast<std::size_t>(length) >= sizeof path) {
                LOG_WARNING(function, "Not deleting " << (format + 3) << ": the path below [" << home
                                                      << "] is too long");
                continue;
            }
            DeleteFileA(path);
        }
    } else {
        LOG_WARNING(function, "Not deleting leftovers: the home directory [" << home << "] is not an absolute path");
    }
    LOG_INFO(function, "** End WINAPI CleanupTempFiles **");
}

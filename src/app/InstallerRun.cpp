#include "app/InstallerRun.h"

#include "diag/CatchAndLog.h"
#include "diag/DebugBreak.h"
#include "diag/Logger.h"
#include "diag/tstrings.h"

namespace installer {
namespace {

constexpr const char* kFunction = "WinMain";

int runSteps(InstallerSteps& steps, const std::wstring& commandLine) {
    debugBreakIfRequested(VDS_LOCATION(kFunction), "INSTALLER_EXE_INSTALL_DEBUG");
    LOG_TRACE(kFunction, "Entered installer.exe WinMain.");

    steps.createConfiguration();
    // The lock comes before the configuration is loaded: the load reads the runtime
    // settings file, which another installer may be writing, and a repair that was ended
    // may have left that file only as its copy, which must be back before it is read.
    if (const int code = steps.lockInstall(); code != 0) {
        LOG_ERROR(kFunction, "The install lock is not taken. Exiting installer.");
        return code;
    }
    steps.recoverEndedRuns();
    if (steps.loadConfigSettings(commandLine) != 0) {
        LOG_ERROR(kFunction, "Error occurred while loading configuration settings. Exiting installer.");
        return kConfigLoadFailed;
    }

    if (steps.isConfigErrorTestRequested()) {
        LOG_TRACE(kFunction, "TEST_CONFIG_FILE_ERRORS enabled.");
        const int code = steps.configErrorTestCode();
        LOG_TRACE(kFunction, "Show error " << code);
        steps.showConfigError(code);
        return 0;
    }

    if (steps.exportConfigChanges() != 0) {
        LOG_ERROR(kFunction, "Error occurred while exporting configuration settings. Exiting installer.");
        return kConfigExportFailed;
    }

    steps.selectCurrentProduct();

    if (steps.isRepairMode()) {
        LOG_TRACE(kFunction, "-- running in repair mode.");
        if (!steps.uninstallCurrentProduct()) {
            LOG_ERROR(kFunction, "UninstallVRE failed during repair");
            return kGenericFailure;
        }
    }

    const int result = steps.installCurrentProduct();
    if (result != 0) {
        LOG_ERROR(kFunction, tstrings::unsafe_format("Install Error: %d", result));
        // The caller must learn which step failed, whatever putting the settings back does.
        try {
            steps.restoreConfigSettings();
        }
        VDS_CATCH_AND_LOG(kFunction)
    }
    return result;
}

}  // namespace

int run(InstallerSteps& steps, const std::wstring& commandLine) {
    try {
        return runSteps(steps, commandLine);
    }
    VDS_CATCH_AND_LOG(kFunction)
    return kGenericFailure;
}

}  // namespace installer

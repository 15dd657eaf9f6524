#pragma once

#include <string>

// The steps that the installer's entry point drives, in the order it calls them. The
// production binding connects them to configuration, detection, repair and install;
// tests bind them to scripted outcomes to check every exit code of the entry.
class InstallerSteps {
public:
    virtual ~InstallerSteps() = default;

    // Builds the one configuration object of the process.
    virtual void createConfiguration() = 0;
    // Takes the whole-run install lock, held until the steps are destroyed: 0, or the exit
    // code of why it is not taken (logged): another installer held it past the bound, or
    // the patch cache that holds it cannot be made or held.
    virtual int lockInstall() = 0;
    // Puts right what an earlier run that was ended left: the runtime settings file that
    // a repair deleted, and working folders in the patch cache.
    virtual void recoverEndedRuns() = 0;
    // Merges defaults, settings files and the command line; 0 on success.
    virtual int loadConfigSettings(const std::wstring& commandLine) = 0;
    // The test hook: TEST_CONFIG_FILE_ERRORS present, its message code, showing it.
    virtual bool isConfigErrorTestRequested() = 0;
    virtual int configErrorTestCode() = 0;
    virtual void showConfigError(int code) = 0;
    // Writes the kept keys back to the runtime settings file; 0 on success.
    virtual int exportConfigChanges() = 0;
    // Detects the installed runtimes and picks the one named by ProductCode; throws
    // when none matches.
    virtual void selectCurrentProduct() = 0;
    virtual bool isRepairMode() = 0;
    // Removes the current product's integration before the reinstall; true on success.
    virtual bool uninstallCurrentProduct() = 0;
    // The install sequence; 0 on success, else its result code.
    virtual int installCurrentProduct() = 0;
    // Puts the runtime settings file back after a failed install.
    virtual void restoreConfigSettings() = 0;
};

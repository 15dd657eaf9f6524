#pragma once

#include <memory>
#include <string>
#include <vector>

#include "config/InstallConfigData.h"
#include "detect/InstalledVesk.h"
#include "support/TempFolder.h"

namespace deploytest {

// The home of an installed 64-bit runtime in a temporary folder of its own, whose bin
// folder holds the testbed's deploy.dll and the C-runtime stand-ins that are loaded
// before it, so that the call log and behaviour file beside deploy.dll are the test's.
class DeployHome {
public:
    DeployHome();

    const std::string& path() const { return home_.path(); }
    // A file of the bin folder.
    std::string bin(const std::string& name) const;
    // A file of the home folder, for files that deploy.dll's commands name.
    std::string file(const std::string& name) const { return home_.file(name); }
    InstalledVesk product() const;

    // Tells deploy.dll how to answer (the behaviour file's text).
    void behave(const std::string& text) const;
    // The call log of deploy.dll; whether it was ever called.
    std::string callLog() const;
    bool called() const;

    // The files that are loaded from bin, in loading order: the C-runtime files, then
    // deploy.dll.
    static std::vector<std::string> libraries();

private:
    testsupport::TempFolder home_;
};

// A configuration loaded silently from the command line "installer.exe /s <arguments>";
// throws std::runtime_error when it does not load.
std::unique_ptr<InstallConfigData> loadConfig(const std::wstring& arguments);

}  // namespace deploytest

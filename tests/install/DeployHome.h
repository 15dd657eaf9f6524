#pragma once

#include <memory>
#include <string>
#include <vector>

#include "config/InstallConfigData.h"
#include "detect/InstalledVesk.h"

namespace deploytest {

// The home of an installed 64-bit runtime in a folder of its own, whose bin folder holds
// the testbed's deploy.dll and the C-runtime stand-ins that are loaded before it, so that
// the call log and behaviour file beside deploy.dll are the test's. The homes stay until
// the test program ends: Wine keeps some stand-ins loaded after they are freed and takes
// a library for a loaded module whose file has the same file number, so a removed home
// would hand the numbers of its files on to the next home's copies, and deploy.dll could
// be taken for a stale stand-in.
class DeployHome {
public:
    DeployHome();

    const std::string& path() const { return path_; }
    // A file of the bin folder.
    std::string bin(const std::string& name) const;
    // A file of the home folder, for files that deploy.dll's commands name.
    std::string file(const std::string& name) const { return path_ + "\\" + name; }
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
    std::string path_;
};

// A configuration loaded silently from the command line "installer.exe /s <arguments>";
// throws std::runtime_error when it does not load.
std::unique_ptr<InstallConfigData> loadConfig(const std::wstring& arguments);

}  // namespace deploytest

#pragma once

#include <string>
#include <vector>

#include "config/InstallConfigData.h"
#include "detect/InstalledVesk.h"
#include "integrate/DeployRecords.h"
#include "win/Dll.h"
#include "win/DllFunction.h"

// The bridge to the deployment library that an installed runtime ships, deploy.dll in its
// bin folder: it registers the runtime's web-deployment and browser components after an
// install and unregisters them before an uninstall, and hands back file commands that
// this program carries out. Make it, call one of install and uninstall, let it go.
class Deploy {
public:
    // Loads the runtime's own copies of the C runtime and then deploy.dll from the
    // product's runtime folder joined with "bin", each by its full path and logged as
    // "Loading <path>...". The first file that is not there as a plain file, or does not
    // load, throws VdsError<SysError> "LoadLibraryW(<path>) failed": nothing is searched
    // for in its place, and nothing after it is loaded.
    explicit Deploy(const InstalledVesk& product);
    // Frees the libraries, deploy.dll first.
    ~Deploy();
    Deploy(const Deploy&) = delete;
    Deploy& operator=(const Deploy&) = delete;

    // RegisterDeployEx with the hints of the configuration, then the commands it returns.
    void install(const InstallConfigData& config);
    // UnregisterDeployEx with default hints, then the commands it returns.
    void uninstall();

    // How many commands the library may return.
    static constexpr std::int32_t commandCapacity = 20;

private:
    std::string modulePath() const;

    std::string binFolder_;       // made first: the libraries are loaded from it
    std::vector<Dll> libraries_;  // in loading order, deploy.dll last
    DllFunction<DeployEntryPoint> registerDeployEx_;
    DllFunction<DeployEntryPoint> unregisterDeployEx_;
};

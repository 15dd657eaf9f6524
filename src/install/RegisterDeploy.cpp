#include "install/RegisterDeploy.h"

#include "detect/Bundle.h"
#include "diag/CatchAndLog.h"
#include "diag/DebugBreak.h"
#include "integrate/Deploy.h"
#include "platform/Registry.h"
#include "platform/SysInfo.h"

namespace {

// The runtime that this installer installs.
constexpr const char* builtInVersion = "1.8.0_321-b07";

// The product of the marks: the built-in runtime of this process's architecture.
Bundle markedBundle() {
    const std::int32_t arch = SysInfo::isNativeX64() && !SysInfo::isWow64() ? 64 : 32;
    return Bundle{Bundle::VRE, arch, VeskVersion(builtInVersion)};
}

}  // namespace

std::int32_t RegisterDeploy(bool install, const InstalledVesk& product, const InstallConfigData& config) {
    try {
        debugBreakIfRequested(VDS_LOCATION("RegisterDeploy"), "REGDEPLOY_INSTALL_DEBUG");
        Deploy deploy(product);
        if (install) {
            deploy.install(config);
        } else {
            deploy.uninstall();
        }
        return 0;
    }
    VDS_CATCH_AND_LOG("RegisterDeploy")
    return -1;
}

void setInstallModeMark(const std::string& mode) {
    const Bundle bundle = markedBundle();
    bundle.getRootKey().setString(bundle.versionKeyPath() + "\\MSI\\MODE", mode);
}

void setEulaMark() {
    const Bundle bundle = markedBundle();
    bundle.getRootKey().setDword(bundle.versionKeyPath() + "\\Eula", 1);
}

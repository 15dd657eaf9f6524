#include "install/InstallVRE.h"

#include <string>

#include "config/InstallConfigData.h"
#include "diag/Logger.h"
#include "install/ImagePhase.h"
#include "install/InstallVesk.h"
#include "install/RegisterDeploy.h"
#include "install/StaleLaunchers.h"
#include "platform/Registry.h"

namespace {

constexpr const char* function = "InstallVRE";

void recordRegistrationStatus(std::int32_t status) {
    Registry(Registry::HKLM, "Software\\VreMetrics", Registry::Write).setString("RegDeployStatus", std::to_string(status));
}

}  // namespace

std::int32_t InstallVRE(HMODULE module, const std::vector<InstalledVesk>& installed, const InstalledVesk& product,
                        const InstallConfigData& config) {
    const ImagePhaseResult image = InstallVREImage(module, product, config.IsSilent());
    if (image.code != InstallResult::success) {
        return image.code;
    }

    if (!InstallVesk(installed, product, config)) {
        LOG_ERROR(function, "-- InstallVesk()failed.");
        return InstallResult::installVeskFailed;
    }

    LOG_TRACE(function, "-- Calling RegisterDeploy().");
    const std::int32_t registration = RegisterDeploy(true, product, config);
    recordRegistrationStatus(registration);
    LOG_TRACE(function, "RegisterDeploy returned: " << registration);
    if (registration != 0) {
        LOG_ERROR(function, "-- Exec: RegisterDeploy() failed.");
        return InstallResult::registerDeployFailed;
    }

    if (config.IsEnabled(BoolKey::STATIC)) {
        setInstallModeMark("S");
    }
    if (config.IsEnabled(BoolKey::EULA)) {
        setEulaMark();
    }
    if (image.noPayload) {
        removeStaleLauncherCopies();
    }
    return InstallResult::success;
}

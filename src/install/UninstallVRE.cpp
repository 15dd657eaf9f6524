#include "install/UninstallVRE.h"

#include <algorithm>

#include "config/InstallConfigData.h"
#include "detect/InstalledVeskTable.h"
#include "diag/CatchAndLog.h"
#include "diag/Logger.h"
#include "install/InstallVesk.h"
#include "install/RegisterDeploy.h"
#include "integrate/ProductView.h"
#include "integrate/VeskSetupManager.h"

namespace {

constexpr const char* function = "UninstallVRE";

std::vector<InstalledVesk> withoutProduct(const std::vector<InstalledVesk>& installed,
                                          const InstalledVesk& product) {
    std::vector<InstalledVesk> remaining;
    std::copy_if(installed.begin(), installed.end(), std::back_inserter(remaining),
                 [&](const InstalledVesk& listed) { return listed.productCode != product.productCode; });
    return remaining;
}

}  // namespace

std::optional<InstalledVesk> successorOf(const std::vector<InstalledVesk>& remaining,
                                         const InstalledVesk& product) {
    const std::size_t slot = itemIndex(product.bundle.type, product.bundle.arch);
    const std::optional<InstalledVesk> successor = VeskSetupManager::ProductView::latestWithHome(remaining)[slot];
    const std::optional<InstalledVesk> latest = latestInstalled(remaining)[slot];
    // Integration pointed at a product without a home would point at the current directory.
    if (latest && !VeskSetupManager::ProductView::hasUsableHome(*latest)) {
        LOG_WARNING(function, "The latest remaining product " << latest->productCode.toString() << " (version "
                                                               << latest->bundle.version.text()
                                                               << ") has no absolute home directory ["
                                                               << latest->homeDir << "]: it cannot take over");
    }
    return successor;
}

bool UninstallVRE(const std::vector<InstalledVesk>& installed, const InstalledVesk& product,
                  InstallConfigData& config) {
    try {
        VeskSetupManager manager;
        manager.product = product;
        manager.operation = VeskSetupManager::Uninstall;
        manager.update(config, installed);

        LOG_INFO(function, "-- Running RegisterDeploy(FALSE) ");
        if (RegisterDeploy(false, product, config) != 0) {
            LOG_INFO(function, "-- Exec: RegisterDeploy(FALSE) failed.");
        } else {
            LOG_INFO(function, "-- Exec: RegisterDeploy(FALSE) passed.");
        }

        const std::vector<InstalledVesk> remaining = withoutProduct(installed, product);
        const std::optional<InstalledVesk> successor = successorOf(remaining, product);
        if (successor) {
            InstallVesk(remaining, *successor, config);
        }
        if (!successor || successor->bundle.version < VeskVersion("1.8.0")) {
            config.CleanConfigSettings();
        }
        return true;
    }
    VDS_CATCH_AND_LOG(function)
    return false;
}

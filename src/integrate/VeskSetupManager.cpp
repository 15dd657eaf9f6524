#include "integrate/VeskSetupManager.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "detect/InstalledVesksVerifier.h"
#include "diag/CatchAndLog.h"
#include "diag/Logger.h"
#include "diag/VdsError.h"
#include "integrate/AccessBridgeManager.h"
#include "integrate/AllCallbacks.h"
#include "integrate/ProductView.h"
#include "integrate/RegistryManager.h"
#include "integrate/VeskPathManager.h"
#include "integrate/VeskShortcutsManager.h"
#include "platform/SysInfo.h"

namespace {

constexpr const char* updateFunction = "VeskSetupManager::update";

bool sameCode(const InstalledVesk& a, const InstalledVesk& b) { return a.productCode == b.productCode; }

void checkList(const VeskSetupManager::InstalledVesks& products) {
    VeskEnvironment::InstalledVesksVerifier verifier;
    verifier.productCodesUnique = true;
    verifier.allowedArchs = {32, 64};
    verifier(products);
}

std::string describe(const InstalledVesk& product) {
    return product.productCode.toString() + " (version " + product.bundle.version.text() + ", home [" +
           product.homeDir + "])";
}

Guid codeOf(const std::optional<InstalledVesk>& product) { return product ? product->productCode : Guid(); }

}  // namespace

VeskSetupManager::VeskSetupManager() {
    product.bundle.type = Bundle::VRE;
    product.bundle.arch = SysInfo::isNativeX64() && !SysInfo::isWow64() ? 64 : 32;
}

std::unique_ptr<VeskSetupManager::Callback> VeskSetupManager::standardCallbacks() {
    auto all = std::make_unique<AllCallbacks>();
    all->add(std::make_unique<RegistryManager>());
    all->add(std::make_unique<VeskShortcutsManager>());
    all->add(std::make_unique<AccessBridgeManager>());
    all->add(std::make_unique<VeskPathManager>());
    return all;
}

bool VeskSetupManager::update(const InstallConfigData& config, const InstalledVesks& detected) const {
    return update(config, detected, standardCallbacks());
}

VeskSetupManager::InstalledVesks VeskSetupManager::futureList(const InstalledVesks& detected,
                                                              bool applied) const {
    InstalledVesks list = detected;
    const auto listed = [&](const InstalledVesk& p) { return sameCode(p, product); };
    const bool adds = (operation == Install) == applied;
    if (adds) {
        if (std::none_of(list.begin(), list.end(), listed)) {
            list.push_back(product);
        }
    } else {
        list.erase(std::remove_if(list.begin(), list.end(), listed), list.end());
    }
    return list;
}

bool VeskSetupManager::update(const InstallConfigData& config, const InstalledVesks& detected,
                              std::unique_ptr<Callback> callbacks) const {
    try {
        checkList(detected);
        if (operation == Install && !ProductView::hasUsableHome(product)) {
            VDS_THROW(std::invalid_argument, updateFunction,
                      "The product to install has no usable home directory: " + describe(product));
        }
        const InstalledVesks future = operation == None ? detected : futureList(detected, true);
        for (const InstalledVesk& listed : future) {
            if (!ProductView::hasUsableHome(listed)) {
                LOG_WARNING(updateFunction, "Installed product "
                                                << describe(listed)
                                                << " has no usable home directory and is not integrated");
            }
        }

        bool currentVreChanged = false;
        if (operation != None) {
            const InstalledVeskTable before = ProductView::latestWithHome(futureList(detected, false));
            const InstalledVeskTable after = ProductView::latestWithHome(future);
            currentVreChanged = codeOf(ProductView::current(before, Bundle::VRE)) !=
                                codeOf(ProductView::current(after, Bundle::VRE));
        }
        const ProductView view(future, operation, currentVreChanged);

        callbacks->onProducts(view, config, operation == None ? nullptr : &product);

        const bool hasVre = view.currentVre().has_value();
        const bool hasVdk = view.currentVdk().has_value();
        if (!hasVre && hasVdk) {
            callbacks->onNoVre(config);
        } else if (!hasVre && !hasVdk) {
            callbacks->onNoProducts(config);
        } else if (!hasVdk) {
            callbacks->onNoVdk(config);
        }
        return true;
    }
    VDS_CATCH_AND_LOG(updateFunction)
    return false;
}

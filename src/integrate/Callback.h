#pragma once

#include "integrate/VeskSetupManager.h"

// One integration manager. The setup manager calls onProducts after every update and then
// the one of onNoVre, onNoVdk and onNoProducts that fits the products left.
class VeskSetupManager::Callback {
public:
    virtual ~Callback() = default;

    virtual void onNoVre(const InstallConfigData& config);
    virtual void onNoVdk(const InstallConfigData& config);
    // onNoVre, then onNoVdk.
    virtual void onNoProducts(const InstallConfigData& config);
    // Whether the manager's exceptions go to the caller instead of being logged.
    virtual bool propagatesErrors() const;
    // `changed`: the product installed or uninstalled, or null.
    virtual void onProducts(const ProductView& view, const InstallConfigData& config,
                            const InstalledVesk* changed) = 0;
};

#pragma once

#include <memory>
#include <vector>

#include "integrate/Callback.h"

// Runs every call on each of its members in order. A member's exception is logged and the
// next member still runs, unless the member propagates its errors.
class VeskSetupManager::AllCallbacks : public Callback {
public:
    void add(std::unique_ptr<Callback> member);

    void onNoVre(const InstallConfigData& config) override;
    void onNoVdk(const InstallConfigData& config) override;
    void onNoProducts(const InstallConfigData& config) override;
    void onProducts(const ProductView& view, const InstallConfigData& config,
                    const InstalledVesk* changed) override;

private:
    std::vector<std::unique_ptr<Callback>> members_;
};

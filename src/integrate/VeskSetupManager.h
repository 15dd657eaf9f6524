#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "detect/InstalledVesk.h"

class InstallConfigData;

// Keeps the machine-wide integration (registry, command path, shortcuts, accessibility
// bridge) in step with the runtimes that will be installed once this run's install or
// uninstall is over. One manager per operation: the caller copies the product record in,
// sets the operation and calls update once.
class VeskSetupManager {
public:
    using InstalledVesks = std::vector<InstalledVesk>;

    enum Operation : std::int32_t { None = 0, Install = 1, Uninstall = 2 };

    class Callback;
    class AllCallbacks;
    class ProductView;

    // Product type VRE, the process's architecture, no version, product code or home
    // directory, operation None.
    VeskSetupManager();

    InstalledVesk product;
    Operation operation = None;

    // Runs the standard managers over the future set of products. True when the whole
    // update ran; any exception is logged at "VeskSetupManager::update" and gives false.
    bool update(const InstallConfigData& config, const InstalledVesks& detected) const;

    // The same with the given callbacks instead of the standard ones.
    bool update(const InstallConfigData& config, const InstalledVesks& detected,
                std::unique_ptr<Callback> callbacks) const;

    // The standard managers, in the order they run.
    static std::unique_ptr<Callback> standardCallbacks();

private:
    // The detected list as it will be after the operation, or, with `applied` false, as
    // it would be without it.
    InstalledVesks futureList(const InstalledVesks& detected, bool applied) const;
};

#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "detect/InstalledVeskTable.h"
#include "integrate/VeskSetupManager.h"

// What every integration manager receives: the runtimes and development kits that will be
// installed, grouped VRE 32-bit, VRE 64-bit, VDK 32-bit, VDK 64-bit (inside a group in
// the order of the list), the latest product of each group, the operation and whether it
// changes the current VRE.
//
// A product whose home directory is empty or relative is listed (it is installed) but
// never the latest of its group: nothing can be pointed at it.
class VeskSetupManager::ProductView {
public:
    // Other types than VRE and VDK are left out.
    ProductView(const InstalledVesks& products, Operation operation, bool currentVreChanged);

    std::span<const InstalledVesk> all() const { return products_; }
    // The group of one type and arch; an empty one for any other pair.
    std::span<const InstalledVesk> group(std::int32_t type, std::int32_t arch) const;
    // The two groups of one type, 32-bit first.
    std::span<const InstalledVesk> ofType(std::int32_t type) const;

    // The latest product of each slot (indexed by itemIndex).
    const InstalledVeskTable& latest() const { return latest_; }
    const std::optional<InstalledVesk>& latest(std::int32_t type, std::int32_t arch) const;

    // The current VRE and VDK: the latest of the type, the 64-bit one on equal versions.
    std::optional<InstalledVesk> currentVre() const { return current(latest_, Bundle::VRE); }
    std::optional<InstalledVesk> currentVdk() const { return current(latest_, Bundle::VDK); }

    Operation operation() const { return operation_; }
    bool currentVreChanged() const { return currentVreChanged_; }

    // Whether any product of `arch` is listed.
    bool hasArch(std::int32_t arch) const;

    // The latest product of each slot among those with a usable home directory.
    static InstalledVeskTable latestWithHome(const InstalledVesks& products);
    // The current product of `type` in a table of latest products.
    static std::optional<InstalledVesk> current(const InstalledVeskTable& latest, std::int32_t type);
    // Whether the product's home directory is an absolute path.
    static bool hasUsableHome(const InstalledVesk& product);

private:
    std::vector<InstalledVesk> products_;
    // Where each slot's group starts in products_, and the end.
    std::size_t groupStart_[5] = {};
    InstalledVeskTable latest_;
    Operation operation_;
    bool currentVreChanged_;
};

#pragma once

#include "detect/GroupTracker.h"
#include "detect/UpgradeCodeInstalledVeskTracker.h"

// The Nuform releases through their upgrade codes: VRE/32, VDK/32, VRE/64, VDK/64.
class NuformUpgradeCodeInstalledVeskTracker
    : public GroupTracker<
          GroupTracker<UpgradeCodeInstalledVeskTracker<0, 32>, UpgradeCodeInstalledVeskTracker<1, 32>>,
          GroupTracker<UpgradeCodeInstalledVeskTracker<0, 64>, UpgradeCodeInstalledVeskTracker<1, 64>>> {
public:
    static constexpr const char* name = "NuformUpgradeCodeInstalledVeskTracker";
};

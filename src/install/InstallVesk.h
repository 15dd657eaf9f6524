#pragma once

#include <vector>

#include "detect/InstalledVesk.h"

class InstallConfigData;

// Integrates `product`, whose image is in place, with Windows: runs the setup manager's
// install over the installed runtimes, places the usage-tracker and deployment-rule-set
// files the configuration names and removes older installers' leftovers from home.
// Reports progress operation 7. Failures inside are logged; the result is always true.
bool InstallVesk(const std::vector<InstalledVesk>& installed, const InstalledVesk& product,
                 const InstallConfigData& config);

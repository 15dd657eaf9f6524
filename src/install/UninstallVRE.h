#pragma once

#include <optional>
#include <vector>

#include "detect/InstalledVesk.h"

class InstallConfigData;

// Removes the integration of `product` before it is installed again (repair): runs the
// setup manager's uninstall, unregisters it from its deployment library, moves the
// integration to the latest remaining product of its type and architecture, and deletes
// the runtime settings file unless that successor is of version 1.8.0 or later. True when
// it ran to its end, false when anything threw (logged).
bool UninstallVRE(const std::vector<InstalledVesk>& installed, const InstalledVesk& product,
                  InstallConfigData& config);

// The product that takes over from `product` once it is gone: the latest of `remaining`
// with the same type and architecture among those with an absolute home directory.
std::optional<InstalledVesk> successorOf(const std::vector<InstalledVesk>& remaining,
                                         const InstalledVesk& product);

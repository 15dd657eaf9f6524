#pragma once

#include <cstdint>
#include <string>

#include "config/InstallConfigData.h"
#include "detect/InstalledVesk.h"

// Registers (`install`) or unregisters the deployment components of `product` through
// the deployment library that the product ships; `config` gives the registration's
// hints and is not used to unregister. Stops first for a debugger when
// REGDEPLOY_INSTALL_DEBUG is set. Never throws: 0 on success, -1 after one logged
// exception when anything failed.
std::int32_t RegisterDeploy(bool install, const InstalledVesk& product, const InstallConfigData& config);

// The marks written after a successful registration, below the registry key of the
// runtime version that this installer is built for (1.8.0_321), in the registry view of
// this process's architecture. Failures throw the registry layer's errors.

// The install mode: the string value "MSI\MODE" of that key, e.g. "S".
void setInstallModeMark(const std::string& mode);
// The licence acceptance: the number value "Eula" of that key, 1.
void setEulaMark();

#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "detect/InstalledVesk.h"
#include "install/InstallResult.h"

class InstallConfigData;

// The install sequence: puts the runtime image of `product` into its home directory
// (the image phase), integrates it with Windows, registers it with its deployment
// library, records the registration status and writes the install-mode and licence
// marks the configuration asks for. 0, or the result code of the step that failed.
std::int32_t InstallVRE(HMODULE module, const std::vector<InstalledVesk>& installed, const InstalledVesk& product,
                        const InstallConfigData& config);

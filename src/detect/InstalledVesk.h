#pragma once

#include <cstdint>
#include <string>

#include "detect/Bundle.h"
#include "detect/ProductUninstaller.h"
#include "win/Guid.h"

// One installed runtime environment or development kit. A plain value, copied freely;
// the uninstaller is shared, not owned.
struct InstalledVesk {
    // Modes.
    static constexpr std::int32_t ordinaryMode = 10;  // an ordinary VRE
    static constexpr std::int32_t sMode = 20;         // a VRE whose installer mode value is "S"
    static constexpr std::int32_t noMode = -10;       // not a VRE

    Bundle bundle;
    std::int32_t mode = noMode;
    Guid productCode;
    std::string homeDir;  // normalized
    ProductUninstaller* uninstaller = &Uninstaller::shared();
};

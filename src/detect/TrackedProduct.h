#pragma once

#include <cstdint>
#include <string>

#include "detect/ProductUninstaller.h"
#include "detect/VeskVersion.h"

// An installed product that a tracker found, before detection completes it into an
// InstalledVesk: what the tracker could tell from the product or upgrade code alone.
struct TrackedProduct {
    // Types; VESK_FX products are tracked but never become records.
    static constexpr std::int32_t VRE = 0;
    static constexpr std::int32_t VDK = 1;
    static constexpr std::int32_t VESK_FX = 2;
    static constexpr std::int32_t unknownType = -100;
    static constexpr std::int32_t unknownBits = 0;

    std::string productCode;  // registry form, as the installer reports it
    std::int32_t type = unknownType;
    std::int32_t bits = unknownBits;               // 32 or 64
    VeskVersion version = VeskVersion::unknown();  // slots not known are -1
    ProductUninstaller* uninstaller = nullptr;     // none: the shared default
};

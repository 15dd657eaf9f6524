#pragma once

#include <cstdint>
#include <string>

#include "detect/VeskVersion.h"

// What an installed product is: its type, architecture and version. A plain value.
struct Bundle {
    // Types of product.
    static constexpr std::int32_t VRE = 0;  // runtime environment
    static constexpr std::int32_t VDK = 1;  // development kit

    std::int32_t type = VRE;
    std::int32_t arch = 0;  // 32 or 64
    VeskVersion version;

    // Where the product's runtime lies below its home directory: "vre" for a development
    // kit of family 1.8 or older, which carries its runtime in a sub-folder; otherwise
    // empty (the home directory itself).
    std::string runtimeSubdir() const;
};

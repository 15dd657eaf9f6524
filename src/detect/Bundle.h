#pragma once

#include <cstdint>
#include <string>

#include "detect/VeskVersion.h"

class Registry;

// What an installed product is: its type, architecture and version. A plain value. It
// also knows where the product keeps its registry values (below HKLM, in the view of its
// architecture).
struct Bundle {
    // Types of product.
    static constexpr std::int32_t VRE = 0;  // runtime environment
    static constexpr std::int32_t VDK = 1;  // development kit

    std::int32_t type = VRE;
    std::int32_t arch = 0;  // 32 or 64
    VeskVersion version;

    // The Bundle type of a tracked product's type; anything but VRE and VDK throws
    // VdsError<std::runtime_error> "Unknown Vesk installation type: <type>".
    static std::int32_t getType(std::int32_t trackedType);

    // HKLM in the 32-bit view for arch 32, in the 64-bit view for arch 64; another arch
    // throws VdsError<std::runtime_error> "Unexpected bundle arch: <arch>".
    const Registry& getRootKey() const;

    // "Software\VeskSoft\Vesk Runtime Environment" or "...\Vesk Development Kit"; for a
    // Nuform version "Software\VeskSoft\VRE" or "...\VDK".
    std::string rootKeyPath() const;
    // The root path and the version without build ("...\1.8.0_321", "...\11.0.2").
    std::string versionKeyPath() const;
    // The root path and the family ("...\1.8", "...\11").
    std::string familyKeyPath() const;

    // The string value `name` below the version key (the last element of `name` is the
    // value, the rest a sub-key path, as in "MSI\MODE"); empty when it is missing.
    std::string getVersionKeyValue(const std::string& name) const;
    // The same read with the wide call, for values that other installers wrote.
    std::wstring getVersionKeyWideValue(const std::string& name) const;

    // Where the product's runtime lies below its home directory: "vre" for a development
    // kit of family 1.8 or older, which carries its runtime in a sub-folder; otherwise
    // empty (the home directory itself).
    std::string runtimeSubdir() const;

    // Throws VdsError<std::runtime_error> "Unexpected type<type> of <version text>".
    [[noreturn]] void throwUnexpectedType() const;
};

#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "detect/InstalledVesk.h"

// One record per type and architecture, indexed by itemIndex: the selections that the
// setup steps make among the installed products.
using InstalledVeskTable = std::array<std::optional<InstalledVesk>, 4>;

// VRE/32 0, VRE/64 1, VDK/32 2, VDK/64 3; any other pair throws
// VdsError<std::invalid_argument> "Unexpected 'tag'".
std::size_t itemIndex(std::int32_t type, std::int32_t arch);

// For each type and arch the record with the greatest version, the first one winning a
// tie; records of other types or archs are left out.
InstalledVeskTable latestInstalled(const std::vector<InstalledVesk>& products);

// Only the two slots of `type` (both archs), respectively of `arch` (both types).
InstalledVeskTable latestOfType(const InstalledVeskTable& table, std::int32_t type);
InstalledVeskTable latestOfArch(const InstalledVeskTable& table, std::int32_t arch);

// Only the slots whose version equals the greatest version present.
InstalledVeskTable newestOnly(const InstalledVeskTable& table);

// The first present of: same type and arch; same type, other arch; other type, same
// arch; other type, other arch. Nothing when the table is empty.
std::optional<InstalledVesk> pickInstalled(const InstalledVeskTable& table, std::int32_t type,
                                           std::int32_t arch);

#pragma once

#include <cstdint>
#include <set>

#include "detect/VeskEnvironment.h"

// Checks a list of records before a step relies on it. Each check is switched on by its
// flag or set; an empty set of types or archs allows every one.
class VeskEnvironment::InstalledVesksVerifier {
public:
    bool productCodesNonEmpty = false;
    bool productCodesUnique = false;
    bool homeDirsNonEmpty = false;
    std::set<std::int32_t> allowedTypes;
    std::set<std::int32_t> allowedArchs;

    // Throws VdsError<std::invalid_argument> "empty product code", "empty home dir",
    // "duplicated product codes", "unexpected types" or "unexpected archs", checked in
    // that order over the whole list.
    void operator()(const InstalledVesks& products) const;
};

#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "detect/InstalledVeskTracker.h"

// The upgrade codes of the Nuform releases: one per type, bits and feature version.
namespace UpgradeCodeIterator {

// The printf template of the upgrade codes of `type` (VRE 0 or VDK 1): "%2d" takes the
// bits, "%04d" the feature version. Another type throws VdsError<std::invalid_argument>
// "Unrecognized product type".
const char* getTemplate(std::int32_t type);

}  // namespace UpgradeCodeIterator

// Finds the installed products of one type and bits through the upgrade codes of the
// feature versions 9 to 99 (MsiEnumRelatedProductsA). Its candidates carry the type and
// bits, and a version of which nothing is known.
class InstalledVeskTrackerBase : public InstalledVeskTracker {
public:
    static constexpr std::int32_t firstFeature = 9;
    static constexpr std::int32_t featureLimit = 100;  // exclusive

    InstalledVeskTrackerBase(std::int32_t type, std::int32_t bits);

    const TrackedProduct* next() override;

private:
    // The next upgrade code to ask about, in registry form; false after the last one.
    bool advanceUpgradeCode();

    const char* template_;
    std::int32_t bits_;
    std::int32_t feature_ = firstFeature;
    std::string upgradeCode_;  // empty: none current
    DWORD relatedIndex_ = 0;
    TrackedProduct current_;
};

template <std::int32_t Type, std::int32_t Bits>
class UpgradeCodeInstalledVeskTracker : public InstalledVeskTrackerBase {
public:
    static inline const std::string name =
        "UpgradeCodeInstalledVeskTracker<" + std::to_string(Type) + "," + std::to_string(Bits) + ">";

    UpgradeCodeInstalledVeskTracker() : InstalledVeskTrackerBase(Type, Bits) {}
};

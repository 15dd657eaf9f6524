#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "detect/Version.h"

// The version strings of our product line. Slot 0 tags the scheme:
//   1 legacy  "1.8.0_321-b07"  [1, minor, micro, update, build, -]
//   2 plain   "2.2.3"          [2, second, third, -, -, -]
//   3 Nuform  "11.0.2+9"       [3, feature, interim, update, patch, build]
// A slot of -1 is absent; only family() and withoutBuild() make such slots.
namespace VeskVersionDetails {

inline constexpr std::int32_t legacyTag = 1;
inline constexpr std::int32_t plainTag = 2;
inline constexpr std::int32_t nuformTag = 3;

// Recognizes the scheme of a text and reads it into six slots.
struct Parser {
    static constexpr const char* name = "VeskVersionDetails::Parser";

    // Reads `text` into `destination` (at least 6 slots, else VdsError<std::length_error>);
    // `count` becomes the number of numbers read. Returns the number of characters that
    // were not recognized.
    static std::size_t parse(std::string_view text, std::int32_t* destination, std::size_t& count);

    // Legacy and plain versions need three numbers; Nuform ones need only the feature.
    static bool isLongEnough(const std::int32_t* slots, std::size_t count);
};

// A version of any of the three schemes.
class Base : public VersionDetails::Base<6, Parser, 1> {
public:
    Base() = default;
    // init(text); throws what init throws.
    explicit Base(const std::string& text) { init(text); }

    // A version of which nothing is known: all six slots -1, no text. Its tag is none of
    // the schemes', so only comparison and knownSlots() apply to it.
    static Base unknown();

    std::int32_t tag() const { return slots_[0]; }
    // Whether the tag is that of the legacy or the Nuform scheme, the two whose family
    // and build the product line uses.
    bool hasFamily() const { return tag() == legacyTag || tag() == nuformTag; }
    // How many slots are known: counted from slot 0 up to the first unknown (-1) one.
    std::size_t knownSlots() const;

    std::string toString() const;

    // The family alone ("1.8", "11"): slots 2 to 5 absent. Legacy and Nuform only.
    Base family() const;
    // Without the build ("1.8.0_321", "11.0.2"). Legacy and Nuform only.
    Base withoutBuild() const;

    // Throws VdsError<std::logic_error> "unknown version tag".
    [[noreturn]] static void throwUnrecognizedVersionType();

private:
    Base(const Slots& slots, std::string text) : VersionDetails::Base<6, Parser, 1>(slots, std::move(text)) {}
    // A copy whose slots from `firstAbsent` on are -1.
    Base truncated(std::size_t firstAbsent) const;
};

// Names for the slots of a legacy version; see SpecializedVersion.
class BaseLegacy : public Base {
public:
    static constexpr std::int32_t schemeTag = legacyTag;
    static constexpr const char* rejection = " is not recognized as a legacy Vesk version string";

    std::int32_t minorNumber() const { return slots_[1]; }
    std::int32_t microNumber() const { return slots_[2]; }
    std::int32_t updateNumber() const { return slots_[3]; }
    std::int32_t buildNumber() const { return slots_[4]; }
};

// Names for the slots of a Nuform version; see SpecializedVersion.
class BaseNuform : public Base {
public:
    static constexpr std::int32_t schemeTag = nuformTag;
    static constexpr const char* rejection = " is not recognized as a Nuform Vesk version string";

    std::int32_t featureNumber() const { return slots_[1]; }
    std::int32_t interimNumber() const { return slots_[2]; }
    std::int32_t updateNumber() const { return slots_[3]; }
    std::int32_t patchNumber() const { return slots_[4]; }
    std::int32_t buildNumber() const { return slots_[5]; }
};

}  // namespace VeskVersionDetails

// A version value of any scheme.
using VeskVersion = VeskVersionDetails::Base;

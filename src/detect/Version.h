#pragma once

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "diag/VdsError.h"
#include "diag/tstrings.h"

// The generic part of version strings: leading dot-separated numbers and a value type of
// N signed slots that a scheme parser fills.
namespace VersionDetails {

// The value of one dot-separated piece: a non-empty run of decimal digits (leading zeros
// allowed) that fits a signed 32-bit slot. Anything else throws
// VdsError<std::runtime_error> "Failed to recognize version component in [<piece>]";
// callers treat that as "not a number".
std::int32_t parseComponent(std::string_view piece);

// The same, as the callers use it: whether `piece` is a number, and its value.
bool tryParseComponent(std::string_view piece, std::int32_t& value);

// Reads leading dot-separated numbers.
struct Parser {
    // Parses up to `count` leading numbers of `text` into `destination`; `count` becomes
    // the number parsed. Returns how many characters of the text are left over. A
    // destination of no slots throws VdsError<std::length_error>.
    static std::size_t parse(std::string_view text, std::int32_t* destination, std::size_t& count);
};

// A value of N signed slots and the text it was read from. `SchemeParser` reads a text
// into the slots (see VeskVersionDetails::Parser); a value needs at least
// `MinimumNumbers` numbers. Values compare slot by slot; the text takes no part.
template <std::size_t N, class SchemeParser, std::size_t MinimumNumbers>
class Base {
public:
    using Slots = std::array<std::int32_t, N>;

    Base() = default;

    // Parses `text` into the slots, all starting at 0, and keeps the text. Throws
    // VdsError<std::runtime_error> when characters are left over or too few numbers
    // were read; the value is then unchanged.
    void init(const std::string& text) {
        static const std::string function = "VersionDetails::Base<" + std::to_string(N) + ",struct " +
                                            SchemeParser::name + "," + std::to_string(MinimumNumbers) +
                                            ">::init";
        Slots parsed{};
        std::size_t numbers = N;
        const std::size_t left = SchemeParser::parse(text, parsed.data(), numbers);
        if (left != 0) {
            VDS_THROW(std::runtime_error, function,
                      "Failed to parse [" + text +
                          "] version string completely. Number of unrecognized characters is " +
                          tstrings::toDecimal(left));
        }
        if (numbers < MinimumNumbers || !SchemeParser::isLongEnough(parsed.data(), numbers)) {
            VDS_THROW(std::runtime_error, function,
                      "Failed to parse [" + text + "] version string. The string is too short");
        }
        slots_ = parsed;
        text_ = text;
    }

    const Slots& slots() const { return slots_; }
    std::int32_t slot(std::size_t index) const { return slots_.at(index); }
    const std::string& text() const { return text_; }

    friend bool operator==(const Base& a, const Base& b) { return a.slots_ == b.slots_; }
    friend std::strong_ordering operator<=>(const Base& a, const Base& b) { return a.slots_ <=> b.slots_; }

protected:
    Base(const Slots& slots, std::string text) : slots_(slots), text_(std::move(text)) {}

    Slots slots_{};
    std::string text_;
};

}  // namespace VersionDetails

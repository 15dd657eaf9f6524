#include "detect/VeskVersion.h"

#include <algorithm>
#include <stdexcept>

#include "diag/VdsError.h"
#include "diag/tstrings.h"

namespace VeskVersionDetails {

namespace {

using VersionDetails::tryParseComponent;

constexpr std::size_t slotCount = 6;
constexpr std::int32_t noSlot = -1;

// One step of reading the suffix of a version: returns how many characters of `rest` it
// takes (0: none) and stores its number in `number` when it has one.
using SuffixReader = std::size_t (*)(std::string_view rest, std::int32_t& number);

struct SuffixStep {
    SuffixReader read;  // null: the step does not apply
    bool mandatory;
    int slot;  // noSlot: the step's text is accepted and dropped
};

// The number at the start of `rest` that ends at the first of `stops` or at the end.
std::size_t takeNumber(std::string_view rest, const char* stops, std::int32_t& number) {
    const std::string_view digits = rest.substr(0, rest.find_first_of(stops));
    return tryParseComponent(digits, number) ? digits.size() : 0;
}

// Legacy: "-b" and a build number above 0 up to the next "-".
std::size_t takeLegacyBuild(std::string_view rest, std::int32_t& number) {
    if (rest.size() <= 2 || !rest.starts_with("-b")) {
        return 0;
    }
    std::int32_t build = 0;
    const std::size_t digits = takeNumber(rest.substr(2), "-", build);
    if (digits == 0 || build <= 0) {
        return 0;
    }
    number = build;
    return 2 + digits;
}

std::size_t takeLegacyMicro(std::string_view rest, std::int32_t& number) { return takeNumber(rest, "_-", number); }

std::size_t takeLegacyUpdate(std::string_view rest, std::int32_t& number) {
    if (!rest.starts_with('_')) {
        return 0;
    }
    const std::size_t digits = takeNumber(rest.substr(1), "-", number);
    return digits == 0 ? 0 : 1 + digits;
}

// Legacy qualifiers such as "-ea" or "-internal": everything up to the first "-" segment
// that is a build.
std::size_t takeLegacyQualifiers(std::string_view rest, std::int32_t&) {
    if (!rest.starts_with('-')) {
        return 0;
    }
    for (std::size_t segment = 0; segment != std::string_view::npos; segment = rest.find('-', segment + 1)) {
        std::int32_t ignored = 0;
        if (takeLegacyBuild(rest.substr(segment), ignored) != 0) {
            return segment;
        }
    }
    return rest.size();
}

// Nuform: an optional "." and the number up to the first of `stops`.
std::size_t takeDottedNumber(std::string_view rest, const char* stops, std::int32_t& number) {
    const std::size_t dot = (rest.size() > 1 && rest.starts_with('.')) ? 1 : 0;
    const std::size_t digits = takeNumber(rest.substr(dot), stops, number);
    return digits == 0 ? 0 : dot + digits;
}

std::size_t takeNuformInterimOrUpdate(std::string_view rest, std::int32_t& number) {
    return takeDottedNumber(rest, ".-+", number);
}

std::size_t takeNuformPatch(std::string_view rest, std::int32_t& number) { return takeDottedNumber(rest, "-+", number); }

// "-ea" in "11.0.2-ea+9": up to the next "+" or "-".
std::size_t takeNuformPreRelease(std::string_view rest, std::int32_t&) {
    if (rest.size() <= 1 || !rest.starts_with('-')) {
        return 0;
    }
    const std::size_t next = rest.find_first_of("+-", 1);
    return (next == std::string_view::npos || next == 1) ? 0 : next;
}

std::size_t takeNuformBuild(std::string_view rest, std::int32_t& number) {
    if (rest.size() <= 1 || !rest.starts_with('+')) {
        return 0;
    }
    const std::size_t digits = takeNumber(rest.substr(1), "-", number);
    return digits == 0 ? 0 : 1 + digits;
}

// "-LTS" in "11.0.2-LTS": all of it.
std::size_t takeNuformTrailing(std::string_view rest, std::int32_t&) {
    return (rest.size() > 1 && rest.starts_with('-')) ? rest.size() : 0;
}

// Runs the steps in order over `rest`; returns the characters left and adds the numbers
// stored to `count`.
template <std::size_t StepCount>
std::size_t readSuffix(const SuffixStep (&steps)[StepCount], std::string_view rest, std::int32_t* destination,
                       std::size_t& count) {
    for (const SuffixStep& step : steps) {
        if (rest.empty()) {
            break;
        }
        if (step.read == nullptr) {
            continue;
        }
        std::int32_t number = 0;
        const std::size_t taken = step.read(rest, number);
        if (taken > rest.size()) {
            VDS_THROW(std::logic_error, "VeskVersionDetails::Parser::parse",
                      tstrings::unsafe_format("[%d < %d] failed", static_cast<int>(rest.size()),
                                              static_cast<int>(rest.size() - taken)));
        }
        if (taken == 0) {
            if (step.mandatory) {
                break;
            }
            continue;
        }
        if (step.slot != noSlot) {
            destination[step.slot] = number;
            ++count;
        }
        rest.remove_prefix(taken);
    }
    return rest.size();
}

std::size_t readLegacySuffix(std::string_view rest, std::int32_t* destination, std::size_t& count) {
    static const SuffixStep steps[] = {
        {takeLegacyMicro, true, 2},
        {takeLegacyUpdate, false, 3},
        {takeLegacyQualifiers, false, noSlot},
        {takeLegacyBuild, false, 4},
    };
    return readSuffix(steps, rest, destination, count);
}

std::size_t readNuformSuffix(std::string_view rest, std::int32_t* destination, std::size_t& count) {
    // Which numbers the suffix may add depends on how many the leading part had.
    const std::size_t leading = count;
    const SuffixStep steps[] = {
        {leading < 2 ? takeNuformInterimOrUpdate : nullptr, false, 2},
        {leading < 3 ? takeNuformInterimOrUpdate : nullptr, false, 3},
        {leading < 4 ? takeNuformPatch : nullptr, false, 4},
        {takeNuformPreRelease, false, noSlot},
        {takeNuformBuild, false, 5},
        {takeNuformTrailing, false, noSlot},
    };
    return readSuffix(steps, rest, destination, count);
}

}  // namespace

std::size_t Parser::parse(std::string_view text, std::int32_t* destination, std::size_t& count) {
    if (count < slotCount) {
        VDS_THROW(std::length_error, "VeskVersionDetails::Parser::parse", "Insufficient size of destination buffer");
    }
    std::int32_t numbers[3] = {};
    std::size_t parsed = std::size(numbers);
    std::size_t left = VersionDetails::Parser::parse(text, numbers, parsed);
    count = 0;
    if (parsed == 0) {
        // Nuform versions without dots: "9", "10+46", "9-ea".
        const std::string_view head = text.substr(0, text.find_first_of("-+"));
        if (!tryParseComponent(head, numbers[0]) || numbers[0] < 9) {
            return text.size();
        }
        parsed = 1;
        left = text.size() - head.size();
    }
    const std::int32_t first = numbers[0];
    const std::string_view rest = text.substr(text.size() - left);
    if (first == legacyTag) {
        // "1.0.1" is no version of ours: only the "1" counts as recognized.
        if (parsed >= 2 && numbers[1] <= 0) {
            return text.size() - 1;
        }
        std::copy_n(numbers, parsed, destination);
        count = parsed;
        if (left == 0 || parsed < 2) {
            return left;
        }
        return readLegacySuffix(rest, destination, count);
    }
    if (first >= 9) {
        destination[0] = nuformTag;
        std::copy_n(numbers, parsed, destination + 1);
        count = parsed;
        return left == 0 ? 0 : readNuformSuffix(rest, destination, count);
    }
    if (first == plainTag) {
        std::copy_n(numbers, parsed, destination);
        count = parsed;
        return left;
    }
    return text.size();
}

bool Parser::isLongEnough(const std::int32_t* slots, std::size_t count) { return slots[0] == nuformTag || count >= 3; }

std::string Base::toString() const {
    const auto& s = slots_;
    std::string text;
    switch (tag()) {
        case legacyTag:
            text = tstrings::toDecimal(s[0]);
            for (std::size_t i = 1; i <= 2; ++i) {
                if (s[i] >= 0) {
                    text += "." + tstrings::toDecimal(s[i]);
                }
            }
            if (s[3] > 0) {
                text += tstrings::unsafe_format("_%02d", static_cast<int>(s[3]));
            }
            if (s[4] > 0) {
                text += tstrings::unsafe_format("-b%02d", static_cast<int>(s[4]));
            }
            return text;
        case plainTag:
            return tstrings::toDecimal(s[0]) + "." + tstrings::toDecimal(s[1]) + "." + tstrings::toDecimal(s[2]);
        case nuformTag:
            text = tstrings::toDecimal(s[1]);
            if (s[2] > 0 || s[3] > 0 || s[4] > 0) {
                text += "." + tstrings::toDecimal(s[2]);
            }
            if (s[3] > 0 || s[4] > 0) {
                text += "." + tstrings::toDecimal(s[3]);
            }
            if (s[4] > 0) {
                text += "." + tstrings::toDecimal(s[4]);
            }
            if (s[5] > 0) {
                text += "+" + tstrings::toDecimal(s[5]);
            }
            return text;
        default:
            throwUnrecognizedVersionType();
    }
}

Base Base::unknown() {
    Slots slots;
    slots.fill(noSlot);
    return Base(slots, "");
}

std::size_t Base::knownSlots() const {
    return static_cast<std::size_t>(std::find(slots_.begin(), slots_.end(), noSlot) - slots_.begin());
}

Base Base::truncated(std::size_t firstAbsent) const {
    Slots slots = slots_;
    std::fill(slots.begin() + static_cast<std::ptrdiff_t>(firstAbsent), slots.end(), noSlot);
    return Base(slots, text_);
}

Base Base::family() const {
    if (tag() != legacyTag && tag() != nuformTag) {
        throwUnrecognizedVersionType();
    }
    return truncated(2);
}

Base Base::withoutBuild() const {
    switch (tag()) {
        case legacyTag:
            return truncated(4);
        case nuformTag:
            return truncated(5);
        default:
            throwUnrecognizedVersionType();
    }
}

void Base::throwUnrecognizedVersionType() {
    VDS_THROW(std::logic_error, "VeskVersionDetails::Base::throwUnrecognizedVersionType", "unknown version tag");
}

}  // namespace VeskVersionDetails

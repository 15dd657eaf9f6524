#include "detect/Version.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace VersionDetails {

namespace {

std::vector<std::string_view> splitAtDots(std::string_view text) {
    std::vector<std::string_view> pieces;
    if (text.empty()) {
        return pieces;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = text.find('.', start);
        if (dot == std::string_view::npos) {
            pieces.push_back(text.substr(start));
            return pieces;
        }
        pieces.push_back(text.substr(start, dot - start));
        start = dot + 1;
    }
}

}  // namespace

std::int32_t parseComponent(std::string_view piece) {
    // Slots are signed: a number above the signed range would turn into a negative slot
    // and read as "absent" or compare below every real version.
    constexpr std::uint64_t limit = std::numeric_limits<std::int32_t>::max();
    std::uint64_t value = 0;
    bool valid = !piece.empty();
    for (const char c : piece) {
        if (c < '0' || c > '9') {
            valid = false;
            break;
        }
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > limit) {
            valid = false;
            break;
        }
    }
    if (!valid) {
        VDS_THROW(std::runtime_error, "VersionDetails::parseComponent",
                  "Failed to recognize version component in [" + std::string(piece) + "]");
    }
    return static_cast<std::int32_t>(value);
}

bool tryParseComponent(std::string_view piece, std::int32_t& value) {
    try {
        value = parseComponent(piece);
        return true;
    } catch (const std::runtime_error&) {
        return false;
    }
}

std::size_t Parser::parse(std::string_view text, std::int32_t* destination, std::size_t& count) {
    if (count == 0) {
        VDS_THROW(std::length_error, "VersionDetails::Parser::parse", "Destination buffer can't be empty");
    }
    const std::vector<std::string_view> pieces = splitAtDots(text);
    const std::size_t considered = std::min(count, pieces.size());
    std::size_t parsed = 0;
    std::size_t taken = 0;
    for (; parsed < considered; ++parsed) {
        if (!tryParseComponent(pieces[parsed], destination[parsed])) {
            break;
        }
        taken += pieces[parsed].size();
        if (parsed + 1 < considered) {
            taken += 1;  // the dot after it
        }
    }
    // A piece that failed leaves the dot before it taken; a final empty piece means the
    // text ends with a dot, which is not part of any number.
    if (!pieces.empty() && pieces.back().empty() && taken == text.size()) {
        --taken;
    }
    count = parsed;
    return text.size() - taken;
}

}  // namespace VersionDetails

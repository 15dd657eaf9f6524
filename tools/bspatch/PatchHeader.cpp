#include "PatchHeader.h"

#include "CorruptPatch.h"

#include <cstring>
#include <string>

namespace bspatch {
namespace {

constexpr char kMagic[] = "BSDIFF40";

std::int64_t requireNonNegative(std::int64_t value, const char* field) {
    if (value < 0) {
        throw CorruptPatch(std::string("the header gives a negative ") + field + " (" +
                           std::to_string(value) + ")");
    }
    return value;
}

}  // namespace

std::int64_t decodeOfftin(const std::uint8_t* bytes) noexcept {
    std::uint64_t magnitude = bytes[7] & 0x7Fu;
    for (int i = 6; i >= 0; --i) {
        magnitude = (magnitude << 8) | bytes[i];
    }
    const auto value = static_cast<std::int64_t>(magnitude);
    return (bytes[7] & 0x80u) != 0 ? -value : value;
}

PatchHeader PatchHeader::parse(const std::uint8_t (&bytes)[kSize], std::int64_t fileSize) {
    if (std::memcmp(bytes, kMagic, 8) != 0) {
        throw CorruptPatch("the file does not start with \"BSDIFF40\"");
    }
    PatchHeader header;
    header.controlLength = requireNonNegative(decodeOfftin(bytes + 8), "control block length");
    header.diffLength = requireNonNegative(decodeOfftin(bytes + 16), "difference block length");
    header.newSize = requireNonNegative(decodeOfftin(bytes + 24), "new file size");

    // Both lengths are below 2^63 and so is the file size: subtracting never overflows.
    const std::int64_t available = fileSize - static_cast<std::int64_t>(kSize);
    if (header.controlLength > available || header.diffLength > available - header.controlLength) {
        throw CorruptPatch("the header gives blocks of " + std::to_string(header.controlLength) + " and " +
                           std::to_string(header.diffLength) + " bytes but only " +
                           std::to_string(available) + " bytes follow it");
    }
    header.extraLength = available - header.controlLength - header.diffLength;
    return header;
}

}  // namespace bspatch

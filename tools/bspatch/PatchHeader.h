#pragma once

#include <cstddef>
#include <cstdint>

namespace bspatch {

// The 32-byte BSDIFF40 header: magic "BSDIFF40", then the compressed lengths of the
// control and difference blocks and the size of the new file. The extra block fills the
// rest of the patch file.
struct PatchHeader {
    static constexpr std::size_t kSize = 32;

    std::int64_t controlLength = 0;
    std::int64_t diffLength = 0;
    std::int64_t newSize = 0;
    std::int64_t extraLength = 0;

    std::int64_t controlOffset() const noexcept { return kSize; }
    std::int64_t diffOffset() const noexcept { return kSize + controlLength; }
    std::int64_t extraOffset() const noexcept { return kSize + controlLength + diffLength; }

    // Checks the magic and that every length is non-negative and that the blocks lie
    // inside a patch file of `fileSize` bytes; throws CorruptPatch otherwise.
    static PatchHeader parse(const std::uint8_t (&bytes)[kSize], std::int64_t fileSize);
};

// Decodes the format's 64-bit integer: eight bytes little-endian, magnitude in the low 63
// bits, sign in the top bit. The result is always representable ("negative zero" is 0).
std::int64_t decodeOfftin(const std::uint8_t* bytes) noexcept;

}  // namespace bspatch

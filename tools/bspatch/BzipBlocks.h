#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace bspatch {

// The bit-level layout of a bzip2 stream that lets its blocks be decompressed
// independently: "BZh" and a level digit, then blocks that each begin with a 48-bit magic
// number and their 32-bit CRC, then a 48-bit end-of-stream magic and the combined CRC.
// Blocks are not byte aligned, so they are found by scanning bit by bit.
namespace bzipblocks {

constexpr std::uint64_t kBlockMagic = 0x314159265359;
constexpr std::uint64_t kEndMagic = 0x177245385090;
constexpr std::uint64_t kMagicBits = 48;
constexpr std::uint64_t kCrcBits = 32;
constexpr std::uint64_t kHeaderBits = 32;
// Neither a marker nor a CRC can straddle more than this many bytes past its first one.
constexpr std::size_t kLookahead = 8;

struct Marker {
    std::uint64_t bit;  // position in the data, in bits from its first byte
    bool end;           // end-of-stream marker rather than a block
};

// The first marker at or after bit `from` whose first byte lies below `scanLimit`; the data
// must hold kLookahead bytes beyond scanLimit (pad it with zeros at its end).
std::optional<Marker> findMarker(const std::uint8_t* data, std::uint64_t from, std::size_t scanLimit);

// `count` (at most 57) bits starting at bit `bit`, most significant first; the data must
// hold kLookahead bytes from bit / 8 on.
std::uint64_t readBits(const std::uint8_t* data, std::uint64_t bit, unsigned count);

// A complete one-block bzip2 stream: the header with `level`, the block bits
// [firstBit, endBit) of `data` (its magic included), the end marker and, as the combined
// CRC, the block's own CRC. bzip2 decompresses it and checks it like any stream.
std::vector<std::uint8_t> standaloneBlock(char level, const std::uint8_t* data, std::uint64_t firstBit,
                                          std::uint64_t endBit);

}  // namespace bzipblocks
}  // namespace bspatch

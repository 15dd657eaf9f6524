#pragma once

#include <cstddef>
#include <cstdint>

namespace bspatch {

// The CRC-32 that bzip2 keeps per block: polynomial 0x04C11DB7, most significant bit
// first, starting from all ones and inverted at the end. update() takes the running
// value (start with kBzipCrcStart) and finish() gives the block's CRC.
constexpr std::uint32_t kBzipCrcStart = 0xFFFFFFFFu;

std::uint32_t updateBzipCrc(std::uint32_t crc, const std::uint8_t* data, std::size_t size) noexcept;

constexpr std::uint32_t finishBzipCrc(std::uint32_t crc) noexcept { return ~crc; }

}  // namespace bspatch

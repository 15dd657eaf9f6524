#include "BzipCrc.h"

#include <array>

namespace bspatch {
namespace {

// tables[k][b]: the CRC change of byte b followed by k zero bytes, so that eight bytes
// are folded in at once (slicing by eight).
using Tables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr Tables makeTables() {
    Tables tables{};
    for (std::uint32_t byte = 0; byte < 256; ++byte) {
        std::uint32_t crc = byte << 24;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x80000000u) != 0 ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
        }
        tables[0][byte] = crc;
    }
    for (std::size_t k = 1; k < tables.size(); ++k) {
        for (std::uint32_t byte = 0; byte < 256; ++byte) {
            const std::uint32_t previous = tables[k - 1][byte];
            tables[k][byte] = (previous << 8) ^ tables[0][previous >> 24];
        }
    }
    return tables;
}

constexpr Tables kTables = makeTables();

std::uint32_t bigEndian32(const std::uint8_t* bytes) noexcept {
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 | std::uint32_t{bytes[2]} << 8 |
           std::uint32_t{bytes[3]};
}

}  // namespace

std::uint32_t updateBzipCrc(std::uint32_t crc, const std::uint8_t* data, std::size_t size) noexcept {
    const auto& t = kTables;
    for (; size >= 8; data += 8, size -= 8) {
        const std::uint32_t high = crc ^ bigEndian32(data);
        const std::uint32_t low = bigEndian32(data + 4);
        crc = t[7][high >> 24] ^ t[6][(high >> 16) & 0xFF] ^ t[5][(high >> 8) & 0xFF] ^ t[4][high & 0xFF] ^
              t[3][low >> 24] ^ t[2][(low >> 16) & 0xFF] ^ t[1][(low >> 8) & 0xFF] ^ t[0][low & 0xFF];
    }
    for (; size > 0; ++data, --size) {
        crc = (crc << 8) ^ t[0][(crc >> 24) ^ *data];
    }
    return crc;
}

}  // namespace bspatch

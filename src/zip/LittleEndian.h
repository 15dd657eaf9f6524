#pragma once

#include <cstdint>

// Fields of zip records are little-endian at any alignment; these read them from bytes.
namespace littleEndian {

inline std::uint16_t u16(const unsigned char* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

inline std::uint32_t u32(const unsigned char* bytes) {
    return static_cast<std::uint32_t>(u16(bytes)) | (static_cast<std::uint32_t>(u16(bytes + 2)) << 16);
}

inline std::uint64_t u64(const unsigned char* bytes) {
    return static_cast<std::uint64_t>(u32(bytes)) | (static_cast<std::uint64_t>(u32(bytes + 4)) << 32);
}

}  // namespace littleEndian

#pragma once

#include <cstdint>
#include <string_view>

#include "zip/LittleEndian.h"

inline constexpr std::uint32_t centralHeaderSignature = 0x02014B50;
inline constexpr std::int64_t centralHeaderSize = 46;

// One central-directory header in memory: the fixed 46 bytes, then the name, the extra
// field and the comment. The only place that knows where each field lies; whoever makes
// one has checked that the fixed part is there, and, before touching the name, extra field
// or comment, that length() bytes are.
class CentralHeader {
public:
    explicit CentralHeader(const unsigned char* bytes) : bytes_(bytes) {}

    std::uint32_t signature() const { return littleEndian::u32(bytes_); }
    std::uint16_t flags() const { return littleEndian::u16(bytes_ + 8); }
    std::uint16_t method() const { return littleEndian::u16(bytes_ + 10); }
    std::uint32_t dosTime() const { return littleEndian::u32(bytes_ + 12); }
    std::uint32_t crc() const { return littleEndian::u32(bytes_ + 16); }
    std::uint32_t compressedSize() const { return littleEndian::u32(bytes_ + 20); }
    std::uint32_t size() const { return littleEndian::u32(bytes_ + 24); }
    std::uint16_t nameLength() const { return littleEndian::u16(bytes_ + 28); }
    std::uint16_t extraLength() const { return littleEndian::u16(bytes_ + 30); }
    std::uint16_t commentLength() const { return littleEndian::u16(bytes_ + 32); }
    std::uint32_t localHeaderOffset() const { return littleEndian::u32(bytes_ + 42); }

    // The whole header with its variable parts.
    std::int64_t length() const { return centralHeaderSize + nameLength() + extraLength() + commentLength(); }

    std::string_view name() const {
        return {reinterpret_cast<const char*>(bytes_) + centralHeaderSize, nameLength()};
    }
    const unsigned char* extra() const { return bytes_ + centralHeaderSize + nameLength(); }
    std::string_view comment() const {
        return {reinterpret_cast<const char*>(extra()) + extraLength(), commentLength()};
    }

private:
    const unsigned char* bytes_;
};

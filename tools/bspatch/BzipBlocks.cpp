#include "BzipBlocks.h"

#include <array>

namespace bspatch::bzipblocks {
namespace {

std::uint64_t loadBigEndian(const std::uint8_t* bytes) {
    std::uint64_t value = 0;
    for (int i = 0; i < 8; ++i) {
        value = (value << 8) | bytes[i];
    }
    return value;
}

// For a marker starting at bit s of byte i, byte i + 1 lies wholly inside it. This table
// maps each byte value to the bit offsets s for which it is that byte of either marker,
// so that only a few percent of positions need the full 48-bit comparison.
std::array<std::uint8_t, 256> makeFilter() {
    std::array<std::uint8_t, 256> filter{};
    for (unsigned shift = 0; shift < 8; ++shift) {
        for (const std::uint64_t magic : {kBlockMagic, kEndMagic}) {
            filter[(magic >> (32 + shift)) & 0xFF] |= static_cast<std::uint8_t>(1u << shift);
        }
    }
    return filter;
}

const std::array<std::uint8_t, 256> kFilter = makeFilter();

class BitWriter {
public:
    explicit BitWriter(std::vector<std::uint8_t>& out) : out_(out) {}

    void put(std::uint64_t value, unsigned count) {  // count <= 32
        accumulator_ = (accumulator_ << count) | (value & ((std::uint64_t{1} << count) - 1));
        pending_ += count;
        while (pending_ >= 8) {
            pending_ -= 8;
            out_.push_back(static_cast<std::uint8_t>(accumulator_ >> pending_));
        }
    }

    void flush() {
        if (pending_ > 0) {
            put(0, 8 - pending_);
        }
    }

private:
    std::vector<std::uint8_t>& out_;
    std::uint64_t accumulator_ = 0;
    unsigned pending_ = 0;
};

}  // namespace

std::uint64_t readBits(const std::uint8_t* data, std::uint64_t bit, unsigned count) {
    return (loadBigEndian(data + bit / 8) << (bit % 8)) >> (64 - count);
}

std::optional<Marker> findMarker(const std::uint8_t* data, std::uint64_t from, std::size_t scanLimit) {
    for (std::size_t i = static_cast<std::size_t>(from / 8); i < scanLimit; ++i) {
        unsigned shifts = kFilter[data[i + 1]];
        while (shifts != 0) {
            const unsigned shift = static_cast<unsigned>(__builtin_ctz(shifts));
            shifts &= shifts - 1;
            const std::uint64_t bit = std::uint64_t{i} * 8 + shift;
            if (bit < from) {
                continue;
            }
            const std::uint64_t value = readBits(data, bit, kMagicBits);
            if (value == kBlockMagic || value == kEndMagic) {
                return Marker{bit, value == kEndMagic};
            }
        }
    }
    return std::nullopt;
}

std::vector<std::uint8_t> standaloneBlock(char level, const std::uint8_t* data, std::uint64_t firstBit,
                                          std::uint64_t endBit) {
    const std::uint64_t bits = endBit - firstBit;
    std::vector<std::uint8_t> out{'B', 'Z', 'h', static_cast<std::uint8_t>(level)};
    out.reserve(out.size() + bits / 8 + 16);
    // Whole bytes first, each assembled from the two source bytes it straddles.
    const std::uint8_t* source = data + firstBit / 8;
    const unsigned shift = firstBit % 8;
    for (std::uint64_t k = 0; k < bits / 8; ++k) {
        out.push_back(static_cast<std::uint8_t>(((source[k] << 8 | source[k + 1]) >> (8 - shift)) & 0xFF));
    }
    BitWriter writer(out);
    const unsigned rest = bits % 8;
    if (rest != 0) {
        writer.put(readBits(data, firstBit + bits - rest, rest), rest);
    }
    const std::uint64_t crc = readBits(data, firstBit + kMagicBits, kCrcBits);
    writer.put(kEndMagic >> 24, 24);
    writer.put(kEndMagic & 0xFFFFFF, 24);
    writer.put(crc, 32);
    writer.flush();
    return out;
}

}  // namespace bspatch::bzipblocks

#pragma once

#include "BitReader.h"

#include <array>
#include <cstdint>
#include <optional>

namespace bspatch {

// One of a bzip2 block's Huffman codes: canonical codes of 1 to 20 bits, assigned in
// order of length and then of symbol. Codes up to kTableBits long are found with one table
// lookup; longer ones by length.
class HuffmanCode {
public:
    static constexpr unsigned kMaxLength = 20;
    static constexpr unsigned kMaxSymbols = 258;

    // Null when the lengths do not make a prefix code (more codes of some length than
    // there is room for).
    static std::optional<HuffmanCode> build(const std::uint8_t* lengths, unsigned symbols);

    // The next symbol, or kInvalid for a bit pattern that is no code.
    static constexpr std::uint16_t kInvalid = 0xFFFF;
    std::uint16_t decode(BitReader& reader) const noexcept {
        const std::uint16_t entry = table_[reader.peek(kTableBits)];
        if (entry != kLonger) {
            reader.skip(entry >> 9);
            return entry & 0x1FF;
        }
        return decodeLong(reader);
    }

private:
    static constexpr unsigned kTableBits = 10;
    // Table entries: the symbol in the low nine bits, the code's length above them.
    static constexpr std::uint16_t kLonger = 0xFFFF;

    HuffmanCode() = default;
    std::uint16_t decodeLong(BitReader& reader) const noexcept;

    std::array<std::uint16_t, 1u << kTableBits> table_{};
    // Per length: the first code, how many codes there are, and where their symbols start
    // in symbols_.
    std::array<std::uint32_t, kMaxLength + 1> firstCode_{};
    std::array<std::uint32_t, kMaxLength + 1> count_{};
    std::array<std::uint16_t, kMaxLength + 1> offset_{};
    std::array<std::uint16_t, kMaxSymbols> symbols_{};
};

}  // namespace bspatch

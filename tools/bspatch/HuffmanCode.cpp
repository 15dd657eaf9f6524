#include "HuffmanCode.h"

namespace bspatch {

std::optional<HuffmanCode> HuffmanCode::build(const std::uint8_t* lengths, unsigned symbols) {
    HuffmanCode code;
    code.table_.fill(kLonger);
    std::uint32_t next = 0;
    std::uint16_t sorted = 0;
    for (unsigned length = 1; length <= kMaxLength; ++length) {
        code.firstCode_[length] = next;
        code.offset_[length] = sorted;
        for (unsigned symbol = 0; symbol < symbols; ++symbol) {
            if (lengths[symbol] != length) {
                continue;
            }
            if (next >= (1u << length)) {
                return std::nullopt;
            }
            code.symbols_[sorted++] = static_cast<std::uint16_t>(symbol);
            if (length <= kTableBits) {
                const unsigned shift = kTableBits - length;
                const auto entry = static_cast<std::uint16_t>(length << 9 | symbol);
                for (std::uint32_t slot = next << shift; slot < (next + 1) << shift; ++slot) {
                    code.table_[slot] = entry;
                }
            }
            ++next;
        }
        code.count_[length] = next - code.firstCode_[length];
        next <<= 1;
    }
    return code;
}

std::uint16_t HuffmanCode::decodeLong(BitReader& reader) const noexcept {
    const std::uint32_t bits = reader.peek(kMaxLength);
    for (unsigned length = kTableBits + 1; length <= kMaxLength; ++length) {
        const std::uint32_t value = bits >> (kMaxLength - length);
        if (value - firstCode_[length] < count_[length]) {
            reader.skip(length);
            return symbols_[offset_[length] + value - firstCode_[length]];
        }
    }
    return kInvalid;
}

}  // namespace bspatch

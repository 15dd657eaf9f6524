#include "BlockDecoder.h"

#include "BitReader.h"
#include "BzipCrc.h"
#include "HuffmanCode.h"
#include "InverseBwt.h"

#include <emmintrin.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

namespace bspatch {
namespace {

constexpr unsigned kMinGroups = 2;
constexpr unsigned kMaxGroups = 6;
// Each selector picks the code of the next fifty symbols. bzip2 never writes more
// selectors than this; libbz2 reads and ignores any beyond it.
constexpr unsigned kGroupSize = 50;
constexpr unsigned kMaxSelectors = 18002;
// Symbols 0 and 1 spell a run of the front byte's repetitions in base two.
constexpr std::uint16_t kRunB = 1;
constexpr std::uint32_t kLargestRunWeight = 2u << 20;

// The byte values the block uses, in order: the MTF and Huffman stages count in them.
struct Alphabet {
    std::array<std::uint8_t, 256> bytes{};
    unsigned size = 0;
};

Alphabet readAlphabet(BitReader& in) {
    Alphabet alphabet;
    const std::uint32_t ranges = in.bits(16);
    for (unsigned range = 0; range < 16; ++range) {
        if ((ranges & (0x8000u >> range)) == 0) {
            continue;
        }
        const std::uint32_t members = in.bits(16);
        for (unsigned member = 0; member < 16; ++member) {
            if ((members & (0x8000u >> member)) != 0) {
                alphabet.bytes[alphabet.size++] = static_cast<std::uint8_t>(range * 16 + member);
            }
        }
    }
    return alphabet;
}

// The selectors, stored move-to-front coded and in unary; empty when damaged.
std::vector<std::uint8_t> readSelectors(BitReader& in, unsigned groups) {
    const std::uint32_t count = in.bits(15);
    std::vector<std::uint8_t> selectors;
    selectors.reserve(std::min(count, kMaxSelectors));
    std::array<std::uint8_t, kMaxGroups> order{0, 1, 2, 3, 4, 5};
    for (std::uint32_t i = 0; i < count; ++i) {
        unsigned index = 0;
        while (in.bit()) {
            if (++index >= groups) {
                return {};
            }
        }
        if (in.overrun()) {
            return {};
        }
        if (i < kMaxSelectors) {
            const std::uint8_t group = order[index];
            std::memmove(&order[1], &order[0], index);
            order[0] = group;
            selectors.push_back(group);
        }
    }
    return selectors;
}

// One code's lengths, each a delta from the one before.
std::optional<HuffmanCode> readCode(BitReader& in, unsigned symbols) {
    std::array<std::uint8_t, HuffmanCode::kMaxSymbols> lengths{};
    int length = static_cast<int>(in.bits(5));
    for (unsigned symbol = 0; symbol < symbols; ++symbol) {
        for (;;) {
            if (length < 1 || length > static_cast<int>(HuffmanCode::kMaxLength)) {
                return std::nullopt;
            }
            if (!in.bit()) {
                break;
            }
            length += in.bit() ? -1 : 1;
        }
        lengths[symbol] = static_cast<std::uint8_t>(length);
    }
    if (in.overrun()) {
        return std::nullopt;
    }
    return HuffmanCode::build(lengths.data(), symbols);
}

// Moves the byte at `position` of the move-to-front list to its front. Data that compresses
// poorly moves bytes from far back for nearly every symbol, so the list shifts sixteen
// bytes at a time rather than through a library call.
void moveToFront(std::array<std::uint8_t, 256>& list, unsigned position) noexcept {
    std::uint8_t* const front = list.data();
    const std::uint8_t value = front[position];
    unsigned end = position;
    for (; end >= 16; end -= 16) {
        // [end - 16, end) moves to [end - 15, end + 1): loaded before the bytes below it
        // are overwritten.
        _mm_storeu_si128(reinterpret_cast<__m128i*>(front + end - 15),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(front + end - 16)));
    }
    for (; end > 0; --end) {
        front[end] = front[end - 1];
    }
    front[0] = value;
}

}  // namespace

BlockDecoder::BlockDecoder(const std::vector<std::uint8_t>& input) : input_(input) {}

bool BlockDecoder::prepare() {
    if (!decoded_) {
        decoded_ = true;
        failed_ = !decodeSymbols();
    }
    return !failed_;
}

BlockDecoder::Result BlockDecoder::decode(std::uint8_t* destination, std::size_t size) {
    if (!prepare()) {
        return {0, Status::Failed};
    }
    const std::size_t produced = expandRuns(destination, size);
    if (repeat_ > 0 || next_ < count_) {
        return {produced, Status::More};
    }
    // A block may not end between a run of four and its count.
    if (equal_ == 4 || finishBzipCrc(crc_) != storedCrc_) {
        failed_ = true;
        return {produced, Status::Failed};
    }
    symbols_.reset();
    return {produced, Status::Finished};
}

bool BlockDecoder::decodeSymbols() {
    if (input_.size() < 4 || std::memcmp(input_.data(), "BZh", 3) != 0 || input_[3] < '1' ||
        input_[3] > '9') {
        return false;
    }
    const std::uint32_t capacity = (input_[3] - '0') * 100000u;
    BitReader in(input_.data() + 4, input_.size() - 4);
    if (in.bits(24) != 0x314159 || in.bits(24) != 0x265359) {
        return false;
    }
    storedCrc_ = in.bits(32);
    if (in.bit()) {
        return false;  // randomised
    }
    const std::uint32_t origin = in.bits(24);
    const Alphabet alphabet = readAlphabet(in);
    const unsigned groups = in.bits(3);
    if (alphabet.size == 0 || groups < kMinGroups || groups > kMaxGroups) {
        return false;
    }
    const std::vector<std::uint8_t> selectors = readSelectors(in, groups);
    if (selectors.empty()) {
        return false;
    }
    const unsigned symbolCount = alphabet.size + 2;
    std::array<std::optional<HuffmanCode>, kMaxGroups> codes;
    for (unsigned group = 0; group < groups; ++group) {
        codes[group] = readCode(in, symbolCount);
        if (!codes[group]) {
            return false;
        }
    }

    // The symbols, each a byte's move-to-front position (shifted up by one) or a run of
    // the front byte; the transform's last column goes straight into the links' low bytes.
    const recycled::Bytes linkMemory = recycled::bytes(std::size_t{capacity} * sizeof(std::uint32_t));
    auto* const links = reinterpret_cast<std::uint32_t*>(linkMemory.get());
    std::array<std::uint8_t, 256> front{};
    for (unsigned i = 0; i < front.size(); ++i) {
        front[i] = static_cast<std::uint8_t>(i);
    }
    const std::uint16_t endOfBlock = static_cast<std::uint16_t>(alphabet.size + 1);
    std::size_t selector = 0;
    unsigned left = 0;
    const HuffmanCode* code = nullptr;
    const auto nextSymbol = [&]() -> std::uint16_t {
        if (left == 0) {
            if (selector == selectors.size()) {
                return HuffmanCode::kInvalid;
            }
            code = &*codes[selectors[selector++]];
            left = kGroupSize;
        }
        --left;
        return code->decode(in);
    };
    std::uint32_t count = 0;
    std::uint16_t symbol = nextSymbol();
    while (symbol != endOfBlock) {
        if (symbol == HuffmanCode::kInvalid) {
            return false;
        }
        if (symbol <= kRunB) {
            std::uint32_t run = 0;
            for (std::uint32_t weight = 1; symbol <= kRunB; weight <<= 1) {
                if (weight >= kLargestRunWeight) {
                    return false;
                }
                run += weight << symbol;
                symbol = nextSymbol();
            }
            if (run > capacity - count) {
                return false;
            }
            std::fill(links + count, links + count + run, alphabet.bytes[front[0]]);
            count += run;
            continue;
        }
        if (count == capacity) {
            return false;
        }
        moveToFront(front, symbol - 1u);
        links[count++] = alphabet.bytes[front[0]];
        symbol = nextSymbol();
    }
    if (in.overrun()) {
        return false;
    }

    symbols_ = recycled::bytes(capacity);
    const recycled::Bytes scratch = recycled::bytes(InverseBwt::scratchSize(capacity));
    if (!InverseBwt::run(links, count, origin, scratch.get(), symbols_.get())) {
        return false;
    }
    count_ = count;
    crc_ = kBzipCrcStart;
    return true;
}

std::size_t BlockDecoder::expandRuns(std::uint8_t* destination, std::size_t size) noexcept {
    // The state lives in locals while bytes are stored: a store through a byte pointer
    // could change any member, as far as the compiler knows.
    const std::uint8_t* in = symbols_.get() + next_;
    const std::uint8_t* const inEnd = symbols_.get() + count_;
    std::uint8_t* out = destination;
    std::uint8_t* const end = destination + size;
    int last = last_;
    unsigned equal = equal_;
    unsigned repeat = repeat_;
    while (out < end) {
        if (repeat > 0) {
            const std::size_t copies = std::min<std::size_t>(repeat, static_cast<std::size_t>(end - out));
            std::memset(out, last, copies);
            out += copies;
            repeat -= static_cast<unsigned>(copies);
            continue;
        }
        if (in == inEnd) {
            break;
        }
        const std::uint8_t byte = *in++;
        if (equal == 4) {
            repeat = byte;
            equal = 0;
            continue;
        }
        equal = byte == last ? equal + 1 : 1;
        last = byte;
        *out++ = byte;
    }
    next_ = static_cast<std::uint32_t>(in - symbols_.get());
    last_ = last;
    equal_ = equal;
    repeat_ = repeat;
    crc_ = updateBzipCrc(crc_, destination, static_cast<std::size_t>(out - destination));
    return static_cast<std::size_t>(out - destination);
}

}  // namespace bspatch

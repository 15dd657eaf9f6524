#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace bspatch {

// Reads bits most significant first from bytes in memory, as bzip2 writes them. Reading
// past the end yields zero bits and marks the reader overrun, so a block cut short fails
// its checks instead of reading beyond its buffer.
class BitReader {
public:
    BitReader(const std::uint8_t* data, std::size_t size) noexcept : data_(data), size_(size) { refill(); }

    // The next `count` bits (1 to 32) without consuming them.
    std::uint32_t peek(unsigned count) noexcept {
        if (available_ < count) {
            refill();
        }
        return static_cast<std::uint32_t>(window_ >> (64 - count));
    }

    void skip(unsigned count) noexcept {
        window_ <<= count;
        available_ -= count;
        consumed_ += count;
    }

    std::uint32_t bits(unsigned count) noexcept {
        const std::uint32_t value = peek(count);
        skip(count);
        return value;
    }

    bool bit() noexcept { return bits(1) != 0; }

    bool overrun() const noexcept { return consumed_ > std::uint64_t{size_} * 8; }

private:
    // Tops the window up to at least 57 bits. Away from the end, eight bytes are loaded at
    // once: the bits beyond the whole bytes taken are the true next bits, which the next
    // load puts in the same place again.
    void refill() noexcept {
        if (next_ + 8 <= size_) {
            std::uint64_t word;
            std::memcpy(&word, data_ + next_, sizeof word);
            window_ |= __builtin_bswap64(word) >> available_;
            const unsigned taken = (63 - available_) / 8;
            next_ += taken;
            available_ += taken * 8;
            return;
        }
        while (available_ <= 56) {
            const std::uint64_t byte = next_ < size_ ? data_[next_] : 0;
            ++next_;
            window_ |= byte << (56 - available_);
            available_ += 8;
        }
    }

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t next_ = 0;
    std::uint64_t window_ = 0;
    unsigned available_ = 0;
    std::uint64_t consumed_ = 0;
};

}  // namespace bspatch

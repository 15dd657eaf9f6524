#include "InverseBwt.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace bspatch {
namespace {

// Entries: the symbol in bits 0-7, the next entry's index in bits 8-27, and in bit 31 a
// mark on the entries where a stretch starts.
constexpr std::uint32_t kStart = 1u << 31;
constexpr std::uint32_t kIndexMask = 0xFFFFF;
// The largest bzip2 block (level 9).
constexpr std::uint32_t kMaxCount = 900000;
// Each stretch writes its symbols into chunks of a shared scratch area, taken as needed.
constexpr std::uint32_t kChunk = 4096;
constexpr std::uint32_t kMaxChunks = kMaxCount / kChunk + InverseBwt::kChains + 1;

void link(std::uint32_t* links, std::uint32_t count) noexcept {
    // The symbols sorted are the transform's first column; the i-th occurrence of a symbol
    // in the last column is its i-th occurrence in the first, which is followed by the
    // symbol at the same row of the last column.
    std::array<std::uint32_t, 256> next{};
    for (std::uint32_t i = 0; i < count; ++i) {
        ++next[links[i] & 0xFF];
    }
    std::uint32_t sum = 0;
    for (std::uint32_t& entry : next) {
        sum += std::exchange(entry, sum);
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        links[next[links[i] & 0xFF]++] |= i << 8;
    }
}

}  // namespace

std::uint32_t InverseBwt::scratchSize(std::uint32_t count) noexcept {
    return (count / kChunk + kChains + 1) * kChunk;
}

bool InverseBwt::run(std::uint32_t* links, std::uint32_t count, std::uint32_t origin, std::uint8_t* scratch,
                     std::uint8_t* out) noexcept {
    if (count == 0 || count > kMaxCount || origin >= count) {
        return false;
    }
    link(links, count);

    const std::uint32_t first = links[origin] >> 8;
    const std::uint32_t chains = std::min(kChains, count);
    const std::uint32_t spacing = count / chains;
    std::array<std::uint32_t, kChains> start{};
    for (std::uint32_t c = 0; c < chains; ++c) {
        start[c] = (first + c * spacing) % count;
        links[start[c]] |= kStart;
    }

    // Per chunk, the chain that wrote it; per chain, where its stretch ended.
    std::array<std::uint8_t, kMaxChunks> owner{};
    std::uint32_t chunks = 0;
    std::array<std::uint8_t*, kChains> end{};
    std::array<std::uint32_t, kChains> stop{};

    // The chains still walking, by slot: a chain that stops gives its slot to the last.
    std::array<std::uint32_t, kChains> chain{};
    std::array<std::uint32_t, kChains> position{};
    std::array<std::uint8_t*, kChains> write{};
    std::array<std::uint8_t*, kChains> limit{};
    const auto takeChunk = [&](std::uint32_t slot) {
        owner[chunks] = static_cast<std::uint8_t>(chain[slot]);
        write[slot] = scratch + std::size_t{chunks} * kChunk;
        limit[slot] = write[slot] + kChunk;
        ++chunks;
    };
    for (std::uint32_t slot = 0; slot < chains; ++slot) {
        chain[slot] = slot;
        takeChunk(slot);
        const std::uint32_t entry = links[start[slot]];
        *write[slot]++ = static_cast<std::uint8_t>(entry);
        position[slot] = (entry >> 8) & kIndexMask;
    }
    // The stretches are disjoint and together no longer than the block, so the chunks
    // never run out.
    for (std::uint32_t active = chains; active > 0;) {
        for (std::uint32_t slot = 0; slot < active;) {
            const std::uint32_t entry = links[position[slot]];
            if ((entry & kStart) != 0) {
                const std::uint32_t c = chain[slot];
                stop[c] = position[slot];
                end[c] = write[slot];
                --active;
                chain[slot] = chain[active];
                position[slot] = position[active];
                write[slot] = write[active];
                limit[slot] = limit[active];
                continue;
            }
            if (write[slot] == limit[slot]) {
                takeChunk(slot);
            }
            *write[slot]++ = static_cast<std::uint8_t>(entry);
            position[slot] = (entry >> 8) & kIndexMask;
            ++slot;
        }
    }

    // Join the stretches in the chain's order, from the one at its first symbol: each
    // ends where another starts, and the last where the first starts.
    std::array<bool, kChains> joined{};
    std::uint32_t total = 0;
    std::uint32_t c = 0;
    for (std::uint32_t n = 0; n < chains; ++n) {
        if (joined[c]) {
            return false;
        }
        joined[c] = true;
        for (std::uint32_t k = 0; k < chunks; ++k) {
            if (owner[k] != c) {
                continue;
            }
            const std::uint8_t* from = scratch + std::size_t{k} * kChunk;
            const auto size = static_cast<std::uint32_t>(std::min<std::ptrdiff_t>(end[c] - from, kChunk));
            if (size > count - total) {
                return false;
            }
            std::memcpy(out + total, from, size);
            total += size;
        }
        const std::uint32_t offset = (stop[c] + count - first) % count;
        if (offset % spacing != 0 || offset / spacing >= chains) {
            return false;
        }
        c = offset / spacing;
    }
    return c == 0 && total == count;
}

}  // namespace bspatch

#pragma once

#include <cstdint>

namespace bspatch {

// Undoes a bzip2 block's Burrows-Wheeler transform.
//
// `links` holds one entry per symbol of the block: on entry its low eight bits are the
// symbol (the transform's last column) and the rest zero; it is turned into the chain
// that visits the symbols in their original order, each entry holding its symbol and the
// index of the next one. Following that chain is a series of dependent random reads, the
// cost of bzip2 decoding, so it is followed from several points at once: `kChains`
// stretches of the chain are walked side by side, which keeps several reads in flight,
// and then joined.
//
// Fills `out` with the block's `count` symbols in order (before bzip2's run-length
// decoding) and returns true, or returns false for a block whose chain is not one cycle
// through every symbol, which only damaged data gives. `scratch` must hold
// scratchSize(count) bytes.
class InverseBwt {
public:
    static constexpr std::uint32_t kChains = 16;

    static std::uint32_t scratchSize(std::uint32_t count) noexcept;
    static bool run(std::uint32_t* links, std::uint32_t count, std::uint32_t origin, std::uint8_t* scratch,
                    std::uint8_t* out) noexcept;
};

}  // namespace bspatch

#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "RecycledMemory.h"

namespace bspatch {

// Decompresses one standalone bzip2 stream held in memory (a single block cut out of a
// larger stream, see bzipblocks::standaloneBlock), possibly in several calls.
//
// The block is decoded here rather than by libbz2, whose symbol-by-symbol walk through
// the transform is most of a patch's cost: prepare() decodes the Huffman-coded symbols and
// undoes the transform (InverseBwt), on a helper thread if the caller likes; decode()
// only undoes the final run-length step into the caller's memory. Whatever this decoder does not expect (a
// damaged block, the long obsolete randomised form) is Failed, and so is a CRC mismatch:
// the caller then reads the whole stream with libbz2, whose verdict counts.
class BlockDecoder {
public:
    enum class Status { More, Finished, Failed };
    struct Result {
        std::size_t produced;
        Status status;
    };

    // `input` must stay alive and unchanged while the decoder is used.
    explicit BlockDecoder(const std::vector<std::uint8_t>& input);
    BlockDecoder(const BlockDecoder&) = delete;
    BlockDecoder& operator=(const BlockDecoder&) = delete;

    // Decodes the symbols and undoes the transform, the costly part, once; false when the
    // block cannot be decoded here. decode() does it first if nobody did.
    bool prepare();

    // Fills up to `size` bytes.
    Result decode(std::uint8_t* destination, std::size_t size);

private:
    bool decodeSymbols();
    std::size_t expandRuns(std::uint8_t* destination, std::size_t size) noexcept;

    const std::vector<std::uint8_t>& input_;
    bool decoded_ = false;
    bool failed_ = false;
    std::uint32_t storedCrc_ = 0;
    std::uint32_t crc_ = 0;

    // The block's symbols in order, before the run-length step, and how far it has got:
    // after four equal bytes the next symbol is a count of further copies.
    recycled::Bytes symbols_;
    std::uint32_t count_ = 0;
    std::uint32_t next_ = 0;
    int last_ = -1;
    unsigned equal_ = 0;
    unsigned repeat_ = 0;
};

}  // namespace bspatch

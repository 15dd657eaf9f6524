#pragma once

#include <bzlib.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace bspatch {

// Decompresses one standalone bzip2 stream held in memory (a single block cut out of a
// larger stream, see bzipblocks::standaloneBlock), possibly in several calls.
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
    ~BlockDecoder();

    // Fills up to `size` bytes. Failed covers damaged data and a CRC mismatch alike: the
    // caller falls back to reading the whole stream, which then says what is wrong.
    Result decode(std::uint8_t* destination, std::size_t size);

private:
    bz_stream stream_{};
    bool initialised_ = false;
};

}  // namespace bspatch

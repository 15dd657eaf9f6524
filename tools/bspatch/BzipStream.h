#pragma once

#include "File.h"

#include <bzlib.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace bspatch {

// Decompresses one bzip2 stream that occupies a given byte range of the patch file, from
// start to end on the calling thread, through a file handle of its own. It never reads
// past its range: a stream that needs more bytes than its block holds is a corrupt patch.
// This is the authoritative reader; ParallelBzipStream falls back on it.
class BzipStream {
public:
    // `name` says which block this is ("control", "difference", "extra") in error texts.
    BzipStream(const std::string& path, std::int64_t offset, std::int64_t length, std::string name);
    BzipStream(const BzipStream&) = delete;
    BzipStream& operator=(const BzipStream&) = delete;
    ~BzipStream();

    // Up to `size` bytes; 0 only at the end of the stream, whose CRCs bzip2 has then
    // checked. Throws CorruptPatch when the stream is damaged or cut short.
    std::size_t readSome(std::uint8_t* destination, std::size_t size);

private:
    void refill();

    File file_;
    std::int64_t remaining_;
    std::string name_;
    std::unique_ptr<char[]> input_;
    bz_stream stream_{};
    bool ended_ = false;
};

}  // namespace bspatch

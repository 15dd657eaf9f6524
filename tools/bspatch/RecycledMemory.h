#pragma once

#include <bzlib.h>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace bspatch {

// Large working blocks (a bzip2 decoder's tables of several megabytes, a block decoded
// ahead) come and go for every bzip2 block of the patch. Fresh memory costs a page fault
// per page on first use, which under a virtual machine dominated the decoding itself; so
// released blocks are kept and handed out again for a request of the same size. The
// store never holds more than the blocks that were in use at the same time.
namespace recycled {

// Null when the memory cannot be had.
void* allocate(std::size_t size) noexcept;
void release(void* block) noexcept;

// Makes a bzip2 stream, before BZ2_bzDecompressInit, take its memory from here.
void useFor(bz_stream& stream) noexcept;

struct Releaser {
    void operator()(std::uint8_t* block) const noexcept { release(block); }
};
using Bytes = std::unique_ptr<std::uint8_t[], Releaser>;

// Uninitialised bytes; throws std::bad_alloc when the memory cannot be had.
Bytes bytes(std::size_t size);

}  // namespace recycled
}  // namespace bspatch

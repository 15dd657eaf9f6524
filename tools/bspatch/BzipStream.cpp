#include "BzipStream.h"

#include "CorruptPatch.h"
#include "RecycledMemory.h"

#include <algorithm>
#include <stdexcept>

namespace bspatch {
namespace {

constexpr std::size_t kInputSize = std::size_t{256} << 10;
// bz_stream counts output in unsigned ints.
constexpr std::size_t kMaxOutputPerCall = std::size_t{1} << 30;

}  // namespace

BzipStream::BzipStream(const std::string& path, std::int64_t offset, std::int64_t length, std::string name)
    : file_(File::openForReading(path)),
      remaining_(length),
      name_(std::move(name)),
      input_(new char[kInputSize]) {
    file_.seek(offset);
    recycled::useFor(stream_);
    const int rc = BZ2_bzDecompressInit(&stream_, 0, 0);
    if (rc != BZ_OK) {
        throw std::runtime_error("cannot start bzip2 decompression of the " + name_ + " block (bzip2 error " +
                                 std::to_string(rc) + ")");
    }
}

BzipStream::~BzipStream() { BZ2_bzDecompressEnd(&stream_); }

std::size_t BzipStream::readSome(std::uint8_t* destination, std::size_t size) {
    const unsigned int wanted = static_cast<unsigned int>(std::min(size, kMaxOutputPerCall));
    while (!ended_ && wanted > 0) {
        if (stream_.avail_in == 0 && remaining_ > 0) {
            refill();
        }
        const unsigned int inputBefore = stream_.avail_in;
        stream_.next_out = reinterpret_cast<char*>(destination);
        stream_.avail_out = wanted;
        const int rc = BZ2_bzDecompress(&stream_);
        const std::size_t produced = wanted - stream_.avail_out;
        switch (rc) {
            case BZ_OK:
                break;
            case BZ_STREAM_END:
                ended_ = true;
                return produced;
            case BZ_DATA_ERROR_MAGIC:
                throw CorruptPatch("the " + name_ + " block is not bzip2 data");
            case BZ_DATA_ERROR:
                throw CorruptPatch("the " + name_ + " block is damaged (bzip2 data error)");
            case BZ_MEM_ERROR:
                throw std::runtime_error("not enough memory to decompress the " + name_ + " block");
            default:
                throw std::runtime_error("bzip2 error " + std::to_string(rc) + " in the " + name_ + " block");
        }
        if (produced != 0) {
            return produced;
        }
        if (stream_.avail_in == inputBefore && (stream_.avail_in != 0 || remaining_ == 0)) {
            // No progress although input was there or none is left: the block is cut short.
            throw CorruptPatch("the " + name_ + " block is truncated");
        }
    }
    return 0;
}

void BzipStream::refill() {
    const std::size_t wanted = static_cast<std::size_t>(std::min<std::int64_t>(remaining_, kInputSize));
    const std::size_t got = file_.readSome(input_.get(), wanted);
    if (got != wanted) {
        throw CorruptPatch("the patch file ended while reading the " + name_ + " block");
    }
    remaining_ -= static_cast<std::int64_t>(got);
    stream_.next_in = input_.get();
    stream_.avail_in = static_cast<unsigned int>(got);
}

}  // namespace bspatch

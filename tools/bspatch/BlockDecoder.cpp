#include "BlockDecoder.h"

#include <algorithm>

#include "RecycledMemory.h"

namespace bspatch {

BlockDecoder::BlockDecoder(const std::vector<std::uint8_t>& input) {
    recycled::useFor(stream_);
    initialised_ = BZ2_bzDecompressInit(&stream_, 0, 0) == BZ_OK;
    stream_.next_in = const_cast<char*>(reinterpret_cast<const char*>(input.data()));
    stream_.avail_in = static_cast<unsigned int>(input.size());
}

BlockDecoder::~BlockDecoder() {
    if (initialised_) {
        BZ2_bzDecompressEnd(&stream_);
    }
}

BlockDecoder::Result BlockDecoder::decode(std::uint8_t* destination, std::size_t size) {
    if (!initialised_) {
        return {0, Status::Failed};
    }
    std::size_t produced = 0;
    while (produced < size) {
        const auto wanted = static_cast<unsigned int>(std::min<std::size_t>(size - produced, 1u << 30));
        const unsigned int inputBefore = stream_.avail_in;
        stream_.next_out = reinterpret_cast<char*>(destination + produced);
        stream_.avail_out = wanted;
        const int rc = BZ2_bzDecompress(&stream_);
        const std::size_t step = wanted - stream_.avail_out;
        produced += step;
        if (rc == BZ_STREAM_END) {
            return {produced, Status::Finished};
        }
        if (rc != BZ_OK || (step == 0 && stream_.avail_in == inputBefore)) {
            return {produced, Status::Failed};
        }
    }
    return {produced, Status::More};
}

}  // namespace bspatch

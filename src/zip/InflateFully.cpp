#include "zip/InflateFully.h"

#include <zlib.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <mutex>

#include "zip/ZipRead.h"

namespace {

// Compressed data is read in pieces of this size and inflated straight into the result.
// Under Wine each read costs far more than on Windows; with 4,096-byte pieces the reads
// took twice as long as inflating a whole runtime image.
constexpr std::int64_t inputPieceSize = 256 * 1024;

const char* const unexpectedEndOfFile = "inflateFully: Unexpected end of file";
const char* const unexpectedEndOfStream = "inflateFully: Unexpected end of stream";

// A raw-deflate zlib stream, ended in every case.
class InflateStream {
public:
    InflateStream() { result_ = inflateInit2(&stream_, -MAX_WBITS); }
    ~InflateStream() {
        if (result_ == Z_OK) {
            inflateEnd(&stream_);
        }
    }
    InflateStream(const InflateStream&) = delete;
    InflateStream& operator=(const InflateStream&) = delete;

    bool ready() const { return result_ == Z_OK; }
    z_stream& get() { return stream_; }

private:
    z_stream stream_{};
    int result_;
};

const char* zlibReason(const z_stream& stream, const char* fallback) {
    return stream.msg != nullptr && *stream.msg != '\0' ? stream.msg : fallback;
}

}  // namespace

const char* inflateFully(ZipArchive& archive, vzentry& entry, void* destination,
                         std::int64_t compressedSize) {
    InflateStream inflater;
    z_stream& stream = inflater.get();
    if (!inflater.ready()) {
        return zlibReason(stream, "inflateFully: can't initialize zlib");
    }
    // zlib counts output in 32 bits; larger entries are handed out in slices.
    // zlib refuses a null output even when no room is needed (an empty entry).
    unsigned char none = 0;
    auto* output = destination != nullptr ? static_cast<unsigned char*>(destination) : &none;
    std::int64_t outputLeft = entry.size;
    const auto giveOutput = [&] {
        const std::int64_t slice = std::min<std::int64_t>(outputLeft, std::numeric_limits<uInt>::max());
        stream.next_out = output;
        stream.avail_out = static_cast<uInt>(slice);
        output += slice;
        outputLeft -= slice;
    };
    giveOutput();

    const std::int64_t pieceSize = std::min(compressedSize, inputPieceSize);
    const std::unique_ptr<unsigned char[]> input(new unsigned char[static_cast<std::size_t>(pieceSize)]);
    std::int64_t offset = 0;
    std::int64_t remaining = compressedSize;
    while (remaining > 0) {
        std::int64_t read = 0;
        {
            const std::lock_guard<CriticalSection> guard(archive.lock);
            read = ZIP_Read(archive, &entry, offset, input.get(), std::min(remaining, pieceSize));
        }
        if (read == 0) {
            return unexpectedEndOfFile;
        }
        if (read < 0) {
            return "";  // the archive's message says why
        }
        remaining -= read;
        offset += read;
        stream.next_in = input.get();
        stream.avail_in = static_cast<uInt>(read);
        while (stream.avail_in > 0) {
            if (stream.avail_out == 0 && outputLeft > 0) {
                giveOutput();
            }
            const int result = inflate(&stream, Z_NO_FLUSH);
            if (result == Z_STREAM_END) {
                // The stream must end with the last compressed byte and the entry's size.
                const bool exact =
                    remaining == 0 && stream.avail_in == 0 && stream.avail_out == 0 && outputLeft == 0;
                return exact ? nullptr : unexpectedEndOfStream;
            }
            if (result == Z_BUF_ERROR && stream.avail_out == 0) {
                return "inflateFully: entry data is larger than its size";
            }
            if (result != Z_OK) {
                return zlibReason(stream, "inflateFully: damaged compressed data");
            }
        }
    }
    // The compressed bytes ran out before the stream ended.
    return unexpectedEndOfStream;
}

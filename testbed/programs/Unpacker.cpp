#include "Unpacker.h"

#include <windows.h>
#include <zlib.h>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <vector>

namespace Unpacker {

namespace {

constexpr std::size_t chunkSize = 256 * 1024;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File open(const std::string& path, const char* mode) {
    File file(std::fopen(path.c_str(), mode));
    if (!file) {
        throw std::runtime_error("cannot open " + path);
    }
    return file;
}

// A zlib stream set up for gzip input, ended when it goes away.
class GzipStream {
public:
    GzipStream() {
        if (inflateInit2(&stream_, 16 + MAX_WBITS) != Z_OK) {
            throw std::runtime_error("cannot set up the gzip decoder");
        }
    }
    ~GzipStream() { inflateEnd(&stream_); }
    GzipStream(const GzipStream&) = delete;
    GzipStream& operator=(const GzipStream&) = delete;
    z_stream* operator->() { return &stream_; }
    z_stream* get() { return &stream_; }

private:
    z_stream stream_{};
};

void inflateAll(std::FILE* in, std::FILE* out, const std::string& source, const std::string& partial) {
    GzipStream stream;
    std::vector<unsigned char> input(chunkSize);
    std::vector<unsigned char> output(chunkSize);
    bool memberEnded = false;
    bool anyInput = false;
    for (;;) {
        if (stream->avail_in == 0) {
            const std::size_t got = std::fread(input.data(), 1, input.size(), in);
            if (std::ferror(in)) {
                throw std::runtime_error("cannot read " + source);
            }
            if (got == 0) {
                break;
            }
            anyInput = true;
            stream->next_in = input.data();
            stream->avail_in = static_cast<uInt>(got);
        }
        // Concatenated gzip members make one stream, as gzip itself reads them.
        if (memberEnded) {
            inflateReset(stream.get());
            memberEnded = false;
        }
        stream->next_out = output.data();
        stream->avail_out = static_cast<uInt>(output.size());
        const int status = inflate(stream.get(), Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR) {
            throw std::runtime_error(source + " is damaged: " +
                                     (stream->msg ? stream->msg : "inflate error " + std::to_string(status)));
        }
        const std::size_t produced = output.size() - stream->avail_out;
        if (produced != 0 && std::fwrite(output.data(), 1, produced, out) != produced) {
            throw std::runtime_error("cannot write " + partial);
        }
        memberEnded = status == Z_STREAM_END;
    }
    if (!anyInput) {
        throw std::runtime_error(source + " is empty");
    }
    if (!memberEnded) {
        throw std::runtime_error(source + " is damaged: the gzip stream ends early");
    }
}

}  // namespace

void expand(const std::string& source, const std::string& target) {
    const std::string partial = target + ".part";
    try {
        {
            const File in = open(source, "rb");
            const File out = open(partial, "wb");
            inflateAll(in.get(), out.get(), source, partial);
            if (std::fflush(out.get()) != 0) {
                throw std::runtime_error("cannot write " + partial);
            }
        }
        if (!MoveFileExA(partial.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
            throw std::runtime_error("cannot rename " + partial + " to " + target + " (error " +
                                     std::to_string(GetLastError()) + ")");
        }
    } catch (...) {
        DeleteFileA(partial.c_str());
        throw;
    }
}

}  // namespace Unpacker

#pragma once

#include "File.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace bspatch {

class BzipStream;
class TaskPool;

// Reads one bzip2 stream of the patch file like BzipStream, but decompresses its blocks on
// several threads: the stream is scanned for block boundaries, each block is cut out as a
// standalone one-block stream and decoded by the task pool or, when nobody has taken it
// yet, by the reader itself; the reader takes the results in order. At most a few blocks
// are in flight, so memory stays small whatever the stream's size.
//
// Finding blocks by their bit patterns can be fooled: compressed data may contain a
// marker by chance, and a damaged or hostile stream may contain anything. So whenever the
// block path meets something unexpected (a block that does not decode, a CRC that does
// not match, a missing end marker) the reader falls back to BzipStream for the rest of the
// stream, skipping what it has already delivered. Its verdict, success or CorruptPatch,
// is the one that counts.
class ParallelBzipStream {
public:
    // `name` says which block of the patch this is in error texts.
    ParallelBzipStream(const std::string& path, std::int64_t offset, std::int64_t length, std::string name,
                       TaskPool& pool);
    ParallelBzipStream(const ParallelBzipStream&) = delete;
    ParallelBzipStream& operator=(const ParallelBzipStream&) = delete;
    ~ParallelBzipStream();

    // Fills `size` bytes or throws CorruptPatch when the stream ends or is damaged first.
    void read(std::uint8_t* destination, std::size_t size);

    // Confirms that the stream ends exactly here, with every CRC checked; a stream with
    // data left over is corrupt.
    void expectEnd();

private:
    struct Job;
    struct Anomaly {};

    std::size_t readSome(std::uint8_t* destination, std::size_t size);
    std::size_t readFromBlocks(std::uint8_t* destination, std::size_t size);
    void fallBack();
    void topUp();
    void scheduleNextBlock();
    void startBlocks();
    struct Marker;
    Marker locate(std::uint64_t fromBit);
    void requireBits(std::uint64_t endBit);
    bool fill();
    std::uint64_t bitsAt(std::uint64_t bit, unsigned count) const;

    std::string path_;
    std::int64_t offset_;
    std::int64_t length_;
    std::string name_;
    TaskPool& pool_;

    File file_;
    std::int64_t unread_;
    // Compressed bytes [base_, base_ + real_) of the stream, then kLookahead zero bytes
    // once the whole range has been read.
    std::vector<std::uint8_t> data_;
    std::uint64_t base_ = 0;
    std::size_t real_ = 0;
    bool exhausted_ = false;

    bool started_ = false;
    bool scanned_ = false;
    char level_ = '9';
    std::uint64_t blockStart_ = 0;
    std::uint32_t combinedCrc_ = 0;
    std::uint32_t storedCombinedCrc_ = 0;
    std::deque<std::shared_ptr<Job>> jobs_;

    std::uint64_t delivered_ = 0;
    std::unique_ptr<BzipStream> sequential_;
};

}  // namespace bspatch

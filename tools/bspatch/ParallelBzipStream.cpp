#include "ParallelBzipStream.h"

#include "BlockDecoder.h"
#include "BzipBlocks.h"
#include "BzipStream.h"
#include "CorruptPatch.h"
#include "TaskPool.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>

namespace bspatch {
namespace {

// Blocks decoded ahead of the reader, per stream. A helper does the costly part of a
// block (its symbols and the inverse transform, see BlockDecoder::prepare); the reader
// expands the final runs straight into place, so no decoded byte is copied. A block in
// flight holds its compressed bytes and its symbols, about 2 MB at level 9.
constexpr std::size_t kBlocksInFlight = 2;
// A bzip2 block of level 9 compresses 900,000 symbols of at most 20 bits each, plus its
// tables: a longer stretch without a marker is not a block.
constexpr std::uint64_t kMaxBlockBytes = 2600 << 10;
constexpr std::size_t kReadSize = 1 << 20;

}  // namespace

struct ParallelBzipStream::Marker {
    std::uint64_t bit;
    bool end;
};

struct ParallelBzipStream::Job {
    enum State { Queued, Running, Ready, Cancelled };

    // The block as it lies in the stream: bits [firstBit, endBit) of `raw`, which holds
    // bzipblocks::kLookahead bytes more. Whoever decodes it makes it a stream of its own
    // (input), so that the reader only expands runs.
    std::vector<std::uint8_t> raw;
    std::uint64_t firstBit = 0;
    std::uint64_t endBit = 0;
    char level = '9';
    std::vector<std::uint8_t> input;
    std::uint32_t crc = 0;
    std::atomic<int> state{Queued};
    std::mutex mutex;
    std::condition_variable readyChanged;

    // Valid once Ready: the prepared decoder, until the block is delivered.
    std::unique_ptr<BlockDecoder> rest;
    bool failed = false;

    bool claim() {
        int expected = Queued;
        return state.compare_exchange_strong(expected, Running);
    }

    void cancel() {
        int expected = Queued;
        state.compare_exchange_strong(expected, Cancelled);
    }

    void run() noexcept {
        try {
            input = bzipblocks::standaloneBlock(level, raw.data(), firstBit, endBit);
            std::vector<std::uint8_t>().swap(raw);
            auto decoder = std::make_unique<BlockDecoder>(input);
            failed = !decoder->prepare();
            if (!failed) {
                rest = std::move(decoder);
            }
        } catch (...) {
            failed = true;
        }
        {
            std::lock_guard lock(mutex);
            state = Ready;
        }
        readyChanged.notify_all();
    }

    void waitReady() {
        std::unique_lock lock(mutex);
        readyChanged.wait(lock, [&] { return state == Ready; });
    }
};

ParallelBzipStream::ParallelBzipStream(const std::string& path, std::int64_t offset, std::int64_t length,
                                       std::string name, TaskPool& pool)
    : path_(path),
      offset_(offset),
      length_(length),
      name_(std::move(name)),
      pool_(pool),
      file_(File::openForReading(path)),
      unread_(length) {
    file_.seek(offset);
}

ParallelBzipStream::~ParallelBzipStream() {
    // Queued blocks are dropped; a helper in the middle of one finishes it on its own copy.
    for (const auto& job : jobs_) {
        job->cancel();
    }
}

void ParallelBzipStream::read(std::uint8_t* destination, std::size_t size) {
    while (size > 0) {
        const std::size_t got = readSome(destination, size);
        if (got == 0) {
            throw CorruptPatch("the " + name_ + " block ends too soon");
        }
        destination += got;
        size -= got;
    }
}

void ParallelBzipStream::expectEnd() {
    std::uint8_t surplus = 0;
    if (readSome(&surplus, 1) != 0) {
        throw CorruptPatch("the " + name_ + " block holds more data than the patch uses");
    }
}

std::size_t ParallelBzipStream::readSome(std::uint8_t* destination, std::size_t size) {
    if (!sequential_) {
        try {
            const std::size_t got = readFromBlocks(destination, size);
            delivered_ += got;
            return got;
        } catch (const Anomaly&) {
            fallBack();
        }
    }
    return sequential_->readSome(destination, size);
}

std::size_t ParallelBzipStream::readFromBlocks(std::uint8_t* destination, std::size_t size) {
    for (;;) {
        topUp();
        if (jobs_.empty()) {
            if (combinedCrc_ != storedCombinedCrc_) {
                throw Anomaly{};
            }
            return 0;
        }
        Job& job = *jobs_.front();
        if (job.state.load(std::memory_order_acquire) != Job::Ready) {
            if (job.claim()) {
                job.run();
            } else {
                // A helper is decoding the next block: decode later ones meanwhile rather
                // than idle. (Once it is ready, later blocks are left to the helpers.)
                for (const auto& later : jobs_) {
                    if (later->claim()) {
                        later->run();
                    }
                }
                job.waitReady();
            }
        }
        if (job.failed) {
            throw Anomaly{};
        }
        if (job.rest) {
            const BlockDecoder::Result result = job.rest->decode(destination, size);
            if (result.status == BlockDecoder::Status::Failed ||
                (result.status == BlockDecoder::Status::More && result.produced == 0)) {
                throw Anomaly{};
            }
            if (result.status == BlockDecoder::Status::Finished) {
                job.rest.reset();
            }
            if (result.produced > 0) {
                return result.produced;
            }
        }
        combinedCrc_ = ((combinedCrc_ << 1) | (combinedCrc_ >> 31)) ^ job.crc;
        jobs_.pop_front();
    }
}

void ParallelBzipStream::fallBack() {
    for (const auto& job : jobs_) {
        job->cancel();
    }
    jobs_.clear();
    std::vector<std::uint8_t>().swap(data_);
    sequential_ = std::make_unique<BzipStream>(path_, offset_, length_, name_);
    std::vector<std::uint8_t> scratch(64 << 10);
    for (std::uint64_t skipped = 0; skipped < delivered_;) {
        const std::size_t got = sequential_->readSome(
            scratch.data(),
            static_cast<std::size_t>(std::min<std::uint64_t>(scratch.size(), delivered_ - skipped)));
        if (got == 0) {
            throw CorruptPatch("the " + name_ + " block is damaged");
        }
        skipped += got;
    }
}

void ParallelBzipStream::topUp() {
    if (!started_) {
        startBlocks();
    }
    while (!scanned_ && jobs_.size() < kBlocksInFlight) {
        scheduleNextBlock();
    }
}

void ParallelBzipStream::startBlocks() {
    started_ = true;
    requireBits(bzipblocks::kHeaderBits);
    if (std::memcmp(data_.data(), "BZh", 3) != 0 || data_[3] < '1' || data_[3] > '9') {
        throw Anomaly{};
    }
    level_ = static_cast<char>(data_[3]);
    const Marker first = locate(bzipblocks::kHeaderBits);
    if (first.bit != bzipblocks::kHeaderBits) {
        throw Anomaly{};
    }
    if (first.end) {
        requireBits(first.bit + bzipblocks::kMagicBits + bzipblocks::kCrcBits);
        storedCombinedCrc_ = static_cast<std::uint32_t>(bitsAt(first.bit + bzipblocks::kMagicBits, 32));
        scanned_ = true;
    }
    blockStart_ = first.bit;
}

void ParallelBzipStream::scheduleNextBlock() {
    const Marker next = locate(blockStart_ + bzipblocks::kMagicBits);
    auto job = std::make_shared<Job>();
    const auto firstByte = static_cast<std::size_t>(blockStart_ / 8 - base_);
    const auto endByte = static_cast<std::size_t>(next.bit / 8 - base_) + bzipblocks::kLookahead;
    job->raw.assign(data_.begin() + static_cast<std::ptrdiff_t>(firstByte),
                    data_.begin() + static_cast<std::ptrdiff_t>(endByte));
    job->firstBit = blockStart_ % 8;
    job->endBit = next.bit - blockStart_ / 8 * 8;
    job->level = level_;
    job->crc = static_cast<std::uint32_t>(bitsAt(blockStart_ + bzipblocks::kMagicBits, 32));
    if (next.end) {
        requireBits(next.bit + bzipblocks::kMagicBits + bzipblocks::kCrcBits);
        storedCombinedCrc_ = static_cast<std::uint32_t>(bitsAt(next.bit + bzipblocks::kMagicBits, 32));
        scanned_ = true;
    }
    blockStart_ = next.bit;
    jobs_.push_back(job);
    pool_.submit([job] {
        if (job->claim()) {
            job->run();
        }
    });
}

ParallelBzipStream::Marker ParallelBzipStream::locate(std::uint64_t fromBit) {
    for (;;) {
        const std::size_t limit = exhausted_                       ? real_
                                  : real_ > bzipblocks::kLookahead ? real_ - bzipblocks::kLookahead
                                                                   : 0;
        const std::uint64_t baseBit = base_ * 8;
        if (fromBit < (base_ + limit) * 8) {
            if (const auto found = bzipblocks::findMarker(data_.data(), fromBit - baseBit, limit)) {
                return Marker{found->bit + baseBit, found->end};
            }
            fromBit = (base_ + limit) * 8;
        }
        if (fromBit - blockStart_ > kMaxBlockBytes * 8 || !fill()) {
            throw Anomaly{};
        }
    }
}

void ParallelBzipStream::requireBits(std::uint64_t endBit) {
    // Reading bits loads whole 64-bit words: keep a word beyond them unless the stream's
    // zero padding is there already.
    while ((base_ + real_) * 8 < endBit + 64 && fill()) {
    }
    if ((base_ + real_) * 8 < endBit) {
        throw Anomaly{};
    }
}

bool ParallelBzipStream::fill() {
    if (exhausted_) {
        return false;
    }
    // Bytes before the current block are done with.
    const auto done = static_cast<std::size_t>(blockStart_ / 8 - base_);
    data_.erase(data_.begin(), data_.begin() + static_cast<std::ptrdiff_t>(done));
    base_ += done;
    real_ -= done;

    const std::size_t wanted = static_cast<std::size_t>(std::min<std::int64_t>(unread_, kReadSize));
    data_.resize(real_ + wanted);
    if (file_.readSome(data_.data() + real_, wanted) != wanted) {
        throw Anomaly{};
    }
    real_ += wanted;
    unread_ -= static_cast<std::int64_t>(wanted);
    if (unread_ == 0) {
        exhausted_ = true;
        data_.resize(real_ + bzipblocks::kLookahead, 0);
    }
    return true;
}

std::uint64_t ParallelBzipStream::bitsAt(std::uint64_t bit, unsigned count) const {
    return bzipblocks::readBits(data_.data(), bit - base_ * 8, count);
}

}  // namespace bspatch

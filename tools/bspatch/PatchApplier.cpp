#include "PatchApplier.h"

#include "ByteArithmetic.h"
#include "ParallelBzipStream.h"

#include <xmmintrin.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

namespace bspatch {
namespace {

// Segments travel in batches so that a patch with millions of small triples does not pay
// a lock round trip per triple; the queues hold a few batches, a few megabytes at most.
constexpr std::size_t kBatchSize = 4096;
constexpr std::size_t kQueuedBatches = 16;
// The old bytes of a small match are rarely near those of the match before: their first
// cache lines are fetched this many segments ahead, so that the add does not wait.
constexpr std::size_t kPrefetchAhead = 8;
// Decompression proceeds in slices small enough to stay in cache while the old bytes are
// added, and to notice a failure elsewhere promptly.
constexpr std::int64_t kSlice = std::int64_t{1} << 20;
// The new image goes to the file in stretches of at least this size while it is made.
constexpr std::int64_t kWriteStretch = std::int64_t{8} << 20;
constexpr auto kWriteInterval = std::chrono::milliseconds(2);

}  // namespace

PatchApplier::PatchApplier(std::string patchPath, const PatchHeader& header, const std::uint8_t* oldData,
                           std::int64_t oldSize, std::uint8_t* newData, WriteThrough writeThrough)
    : patchPath_(std::move(patchPath)),
      header_(header),
      oldData_(oldData),
      oldSize_(oldSize),
      newData_(newData),
      writeThrough_(std::move(writeThrough)),
      // The readers decode blocks themselves too: one core is theirs.
      helpers_(std::clamp(std::thread::hardware_concurrency(), 2u, 8u) - 1),
      adds_(kQueuedBatches),
      extras_(kQueuedBatches) {}

void PatchApplier::run() {
    {
        std::vector<std::jthread> threads;
        try {
            threads.emplace_back([this] { guarded([this] { decodeControl(); }); });
            threads.emplace_back([this] { guarded([this] { applyDifferences(); }); });
            threads.emplace_back([this] { guarded([this] { copyExtras(); }); });
            threads.emplace_back([this] { guarded([this] { writeCompleted(); }); });
        } catch (...) {
            fail(std::current_exception());
        }
    }  // joins every thread started
    if (error_) {
        std::rethrow_exception(error_);
    }
}

template <typename Work>
void PatchApplier::guarded(Work work) {
    try {
        work();
    } catch (...) {
        fail(std::current_exception());
    }
}

void PatchApplier::fail(std::exception_ptr error) {
    {
        std::lock_guard lock(errorMutex_);
        if (!error_) {
            error_ = std::move(error);
        }
    }
    failed_ = true;
    adds_.abort();
    extras_.abort();
}

void PatchApplier::decodeControl() {
    ParallelBzipStream stream(patchPath_, header_.controlOffset(), header_.controlLength, "control",
                              helpers_);
    ControlDecoder decoder(stream, header_.newSize);
    AddBatch adds;
    ExtraBatch extras;
    const auto flush = [&] {
        bool open = true;
        if (!adds.empty()) {
            open = adds_.push(std::exchange(adds, {}));
        }
        if (open && !extras.empty()) {
            open = extras_.push(std::exchange(extras, {}));
        }
        return open;
    };
    while (const auto step = decoder.next()) {
        if (step->add.length > 0) {
            adds.push_back(step->add);
        }
        if (step->extra.length > 0) {
            extras.push_back(step->extra);
        }
        if ((adds.size() >= kBatchSize || extras.size() >= kBatchSize) && !flush()) {
            return;
        }
    }
    if (flush()) {
        adds_.close();
        extras_.close();
    }
}

void PatchApplier::applyDifferences() {
    ParallelBzipStream stream(patchPath_, header_.diffOffset(), header_.diffLength, "difference", helpers_);
    while (const auto batch = adds_.pop()) {
        for (std::size_t i = 0; i < batch->size(); ++i) {
            if (i + kPrefetchAhead < batch->size()) {
                prefetchOld((*batch)[i + kPrefetchAhead]);
            }
            applyAdd(stream, (*batch)[i]);
        }
    }
    if (!failed_) {
        addsDone_.store(header_.newSize, std::memory_order_release);
        stream.expectEnd();
    }
}

void PatchApplier::copyExtras() {
    ParallelBzipStream stream(patchPath_, header_.extraOffset(), header_.extraLength, "extra", helpers_);
    while (const auto batch = extras_.pop()) {
        for (const ExtraSegment& segment : *batch) {
            copyExtra(stream, segment);
        }
    }
    if (!failed_) {
        extrasDone_.store(header_.newSize, std::memory_order_release);
        stream.expectEnd();
    }
}

std::int64_t PatchApplier::completed() const noexcept {
    return std::min(addsDone_.load(std::memory_order_acquire), extrasDone_.load(std::memory_order_acquire));
}

void PatchApplier::writeCompleted() {
    std::int64_t written = 0;
    while (!failed_) {
        const std::int64_t complete = completed();
        if (complete == header_.newSize) {
            writeThrough_(complete);
            return;
        }
        if (complete - written >= kWriteStretch) {
            written = complete;
            writeThrough_(written);
        } else {
            std::this_thread::sleep_for(kWriteInterval);
        }
    }
}

void PatchApplier::prefetchOld(const AddSegment& segment) const noexcept {
    if (segment.oldPos >= 0 && segment.oldPos < oldSize_) {
        const std::uint8_t* first = oldData_ + segment.oldPos;
        _mm_prefetch(reinterpret_cast<const char*>(first), _MM_HINT_T0);
        if (segment.length > 64 && segment.oldPos + 64 < oldSize_) {
            _mm_prefetch(reinterpret_cast<const char*>(first + 64), _MM_HINT_T0);
        }
    }
}

void PatchApplier::applyAdd(ParallelBzipStream& stream, const AddSegment& segment) {
    // The control decoder has checked that [newPos, newPos + length) lies inside the new
    // image and that oldPos + length does not overflow.
    std::uint8_t* destination = newData_ + segment.newPos;
    for (std::int64_t done = 0; done < segment.length && !failed_; done += kSlice) {
        addsDone_.store(segment.newPos + done, std::memory_order_release);
        const std::int64_t slice = std::min(kSlice, segment.length - done);
        stream.read(destination + done, static_cast<std::size_t>(slice));
        const std::int64_t from = segment.oldPos + done;
        const std::int64_t first = std::max<std::int64_t>(from, 0);
        const std::int64_t last = std::min(from + slice, oldSize_);
        if (first < last) {
            addInto(destination + done + (first - from), oldData_ + first,
                    static_cast<std::size_t>(last - first));
        }
    }
}

void PatchApplier::copyExtra(ParallelBzipStream& stream, const ExtraSegment& segment) {
    std::uint8_t* destination = newData_ + segment.newPos;
    for (std::int64_t done = 0; done < segment.length && !failed_; done += kSlice) {
        extrasDone_.store(segment.newPos + done, std::memory_order_release);
        stream.read(destination + done, static_cast<std::size_t>(std::min(kSlice, segment.length - done)));
    }
}

}  // namespace bspatch

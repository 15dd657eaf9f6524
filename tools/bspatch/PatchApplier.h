#pragma once

#include "BoundedQueue.h"
#include "ControlDecoder.h"
#include "PatchHeader.h"
#include "TaskPool.h"

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace bspatch {

class ParallelBzipStream;

// Builds the new image in memory from the old image and the three blocks of a patch.
//
// Decompression is the dominant cost, so it runs on every core: each block has a reader
// thread, and the readers share a pool of helpers that decompress bzip2 blocks ahead of
// them (ParallelBzipStream). The control reader checks the triples and hands out
// destination ranges through bounded queues; the difference reader decompresses straight
// into its ranges of the new image and adds the old bytes there; the extra reader
// decompresses straight into its ranges. The ranges never overlap, so the two writers
// need no locking, and no decompressed byte is copied twice. Each writer publishes how
// far its share of the new image is done; a fourth thread hands every stretch below both
// marks to `writeThrough` while the rest is still being made, so that writing the file
// does not wait for the end. The first failure on any thread stops the others and is the
// one reported.
class PatchApplier {
public:
    // Takes the end of the new image's bytes that are complete and not yet written; called
    // with ends that only grow, the last one header.newSize, from one thread at a time.
    using WriteThrough = std::function<void(std::int64_t end)>;

    PatchApplier(std::string patchPath, const PatchHeader& header, const std::uint8_t* oldData,
                 std::int64_t oldSize, std::uint8_t* newData, WriteThrough writeThrough);

    // Fills all header.newSize bytes of newData or throws (CorruptPatch, SystemError, ...).
    void run();

private:
    using AddBatch = std::vector<AddSegment>;
    using ExtraBatch = std::vector<ExtraSegment>;

    void decodeControl();
    void applyDifferences();
    void copyExtras();
    void writeCompleted();
    void prefetchOld(const AddSegment& segment) const noexcept;
    void applyAdd(ParallelBzipStream& stream, const AddSegment& segment);
    void copyExtra(ParallelBzipStream& stream, const ExtraSegment& segment);
    // Every byte of the new image below the minimum of the two marks is complete: each
    // writer fills its segments in order, and every byte belongs to one of them.
    std::int64_t completed() const noexcept;
    // Runs one thread's work and turns its exception into the shared failure.
    template <typename Work>
    void guarded(Work work);
    void fail(std::exception_ptr error);

    std::string patchPath_;
    PatchHeader header_;
    const std::uint8_t* oldData_;
    std::int64_t oldSize_;
    std::uint8_t* newData_;
    WriteThrough writeThrough_;

    TaskPool helpers_;
    BoundedQueue<AddBatch> adds_;
    BoundedQueue<ExtraBatch> extras_;
    std::atomic<std::int64_t> addsDone_{0};
    std::atomic<std::int64_t> extrasDone_{0};
    std::atomic<bool> failed_{false};
    std::mutex errorMutex_;
    std::exception_ptr error_;
};

}  // namespace bspatch

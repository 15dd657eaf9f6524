#pragma once

#include <cstdint>
#include <optional>

namespace bspatch {

class ParallelBzipStream;

// Bytes of the difference block that are added to old bytes and land at newPos.
// oldPos may lie anywhere, even before the start or past the end of the old file: only
// the part of [oldPos, oldPos + length) inside the old file is added.
struct AddSegment {
    std::int64_t newPos;
    std::int64_t oldPos;
    std::int64_t length;
};

// Bytes of the extra block copied unchanged to newPos.
struct ExtraSegment {
    std::int64_t newPos;
    std::int64_t length;
};

// One control triple, checked and resolved into absolute positions.
struct ControlStep {
    AddSegment add;
    ExtraSegment extra;
};

// Reads the control triples (add length, extra length, old-position seek) and checks each
// before anything uses it: lengths are non-negative, both parts stay inside the new file,
// and the old position never overflows. A patch that tries to write past its new file is
// rejected here, never trusted further down.
class ControlDecoder {
public:
    ControlDecoder(ParallelBzipStream& stream, std::int64_t newSize) noexcept
        : stream_(stream), newSize_(newSize) {}

    // The next step, or nothing once the new file is complete and the control block has
    // ended with it. Throws CorruptPatch on any invalid triple.
    std::optional<ControlStep> next();

private:
    ParallelBzipStream& stream_;
    std::int64_t newSize_;
    std::int64_t newPos_ = 0;
    std::int64_t oldPos_ = 0;
    std::int64_t index_ = 0;
};

}  // namespace bspatch

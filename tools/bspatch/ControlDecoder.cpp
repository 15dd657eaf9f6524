#include "ControlDecoder.h"

#include "CorruptPatch.h"
#include "ParallelBzipStream.h"
#include "PatchHeader.h"

#include <string>

namespace bspatch {

std::optional<ControlStep> ControlDecoder::next() {
    if (newPos_ == newSize_) {
        stream_.expectEnd();
        return std::nullopt;
    }
    std::uint8_t triple[24];
    stream_.read(triple, sizeof triple);
    const std::int64_t addLength = decodeOfftin(triple);
    const std::int64_t extraLength = decodeOfftin(triple + 8);
    const std::int64_t seek = decodeOfftin(triple + 16);
    // Named only when something is wrong: a patch of the product's shape has millions of
    // triples, and a text made for each would cost more than decoding them.
    const std::int64_t index = index_++;
    const auto where = [index] { return "control triple " + std::to_string(index); };

    if (addLength < 0 || extraLength < 0) {
        throw CorruptPatch(where() + " has a negative length (" + std::to_string(addLength) + ", " +
                           std::to_string(extraLength) + ")");
    }
    // newPos_ <= newSize_ always holds, so these differences cannot overflow.
    if (addLength > newSize_ - newPos_) {
        throw CorruptPatch(where() + " adds " + std::to_string(addLength) + " bytes at " +
                           std::to_string(newPos_) + ", past the end of the new file (" +
                           std::to_string(newSize_) + " bytes)");
    }
    ControlStep step{};
    step.add = AddSegment{newPos_, oldPos_, addLength};
    newPos_ += addLength;
    if (__builtin_add_overflow(oldPos_, addLength, &oldPos_)) {
        throw CorruptPatch(where() + " moves the old position out of range");
    }
    if (extraLength > newSize_ - newPos_) {
        throw CorruptPatch(where() + " copies " + std::to_string(extraLength) + " extra bytes at " +
                           std::to_string(newPos_) + ", past the end of the new file (" +
                           std::to_string(newSize_) + " bytes)");
    }
    step.extra = ExtraSegment{newPos_, extraLength};
    newPos_ += extraLength;
    if (__builtin_add_overflow(oldPos_, seek, &oldPos_)) {
        throw CorruptPatch(where() + " moves the old position out of range");
    }
    return step;
}

}  // namespace bspatch

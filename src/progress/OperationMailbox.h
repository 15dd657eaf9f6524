#pragma once

#include <cstdint>
#include <optional>

#include "progress/SharedMemoryUnsafe.h"

namespace progress {

enum class OperationState : std::int32_t { Invalid = 0, Started = 1, Finished = 2 };

// The record of the progress block: the latest install operation and whether it has
// started or finished, as two little-endian signed 32-bit numbers (id, state).
class OperationMailbox {
public:
    using Bytes = ipc::SharedMemoryUnsafe::Snapshot::Buffer;

    // A zero id or the state Invalid throws VdsError<std::invalid_argument>: readers take
    // those for "nothing posted yet".
    OperationMailbox(std::int32_t id, OperationState state);

    // The record held by `bytes`, or nothing when they hold no valid record.
    static std::optional<OperationMailbox> fromBytes(const Bytes& bytes);

    std::int32_t id() const { return id_; }
    OperationState state() const { return state_; }

    Bytes toBytes() const;

    friend bool operator==(const OperationMailbox&, const OperationMailbox&) = default;

private:
    std::int32_t id_;
    OperationState state_;
};

}  // namespace progress

#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "progress/SharedMemoryUnsafe.h"

namespace progress {

// The progress block that a co-operating display reads.
inline constexpr const char* operationSequenceName = "VdsOperationSequenceSharedMemory";

// Tells the progress display that install operation `id` runs for as long as this object
// lives: posts (id, Started) when made and (id, Finished) when destroyed. When no display
// has made the block, the operation creates it and keeps it for its own lifetime.
class ClientOperation {
public:
    // Throws VdsError<ipc::PlatformError> when the block can be neither opened nor
    // created, and VdsError<std::invalid_argument> for the id 0.
    explicit ClientOperation(std::int32_t id, const std::string& name = operationSequenceName);

    // Posts Finished; failures are logged, never thrown.
    ~ClientOperation();

    ClientOperation(const ClientOperation&) = delete;
    ClientOperation& operator=(const ClientOperation&) = delete;

    std::int32_t id() const { return id_; }

private:
    std::int32_t id_;
    // Declared before the writing block so that it is closed after it.
    std::optional<ipc::SharedMemoryUnsafe> owned_;
    std::optional<ipc::SharedMemoryUnsafe> writer_;
};

}  // namespace progress

#include "progress/ClientOperation.h"

#include "diag/CatchAndLog.h"
#include "progress/OperationMailbox.h"
#include "progress/PlatformError.h"

namespace progress {

namespace {

void post(const ipc::SharedMemoryUnsafe& block, const OperationMailbox& record) {
    ipc::SharedMemoryUnsafe::Snapshot snapshot(block);
    snapshot.buffer() = record.toBytes();
    snapshot.flush();
}

}  // namespace

ClientOperation::ClientOperation(std::int32_t id, const std::string& name) : id_(id) {
    const OperationMailbox started(id_, OperationState::Started);
    try {
        writer_.emplace(ipc::SharedMemoryUnsafe::create(ipc::SharedMemoryUnsafe::OpenExisting{}, name));
    } catch (const ipc::PlatformError&) {
        // No display has made the block: make it ourselves and keep it while we run.
        owned_.emplace(ipc::SharedMemoryUnsafe::create(ipc::SharedMemoryUnsafe::CreateNew{}, name));
        writer_.emplace(ipc::SharedMemoryUnsafe::create(ipc::SharedMemoryUnsafe::OpenExisting{}, name));
    }
    post(*writer_, started);
}

ClientOperation::~ClientOperation() {
    try {
        post(*writer_, OperationMailbox(id_, OperationState::Finished));
    }
    VDS_CATCH_AND_LOG("progress::ClientOperation::~ClientOperation")
}

}  // namespace progress

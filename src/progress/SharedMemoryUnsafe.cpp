#include "progress/SharedMemoryUnsafe.h"

#include <cstring>

#include "diag/CatchAndLog.h"
#include "diag/ErrorText.h"
#include "diag/VdsError.h"
#include "progress/PlatformError.h"
#include "win/Guid.h"

namespace ipc {

namespace {

// "<call>(<argument>) failed with system error <code> (<description>)".
std::string failure(const std::string& call, const std::string& argument, DWORD code) {
    return failedWith(call + "(" + argument + ")", code);
}

}  // namespace

SharedMemoryUnsafe::SharedMemoryUnsafe(HANDLE mapping, std::string name)
    : mapping_(mapping), name_(std::move(name)) {}

SharedMemoryUnsafe SharedMemoryUnsafe::create(OpenExisting, const std::string& name) {
    const HANDLE mapping = OpenFileMappingA(FILE_MAP_READ | FILE_MAP_WRITE, FALSE, name.c_str());
    if (mapping == nullptr) {
        const DWORD code = GetLastError();
        VDS_THROW(PlatformError, "ipc::SharedMemoryUnsafe::create", failure("OpenFileMappingA", name, code));
    }
    return SharedMemoryUnsafe(mapping, name);
}

SharedMemoryUnsafe SharedMemoryUnsafe::create(CreateNew, const std::optional<std::string>& name) {
    const std::string blockName = name ? *name : Guid::generate().toString();
    const HANDLE mapping =
        CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, blockSize, blockName.c_str());
    if (mapping == nullptr) {
        const DWORD code = GetLastError();
        VDS_THROW(PlatformError, "ipc::SharedMemoryUnsafe::create",
                  failure("CreateFileMappingA", blockName, code));
    }
    return SharedMemoryUnsafe(mapping, blockName);
}

SharedMemoryUnsafe::Snapshot::Snapshot(const SharedMemoryUnsafe& block) : size_(block.size()) {
    // Windows maps whole pages; what matters is that the part asked for holds the record.
    if (size_ != buffer_.size()) {
        VDS_THROW(PlatformError, "ipc::SharedMemoryUnsafe::Snapshot::Snapshot",
                  "the block " + block.name() + " has " + std::to_string(size_) + " bytes instead of " +
                      std::to_string(buffer_.size()));
    }
    view_ = MapViewOfFile(block.handle(), FILE_MAP_ALL_ACCESS, 0, 0, size_);
    if (view_ == nullptr) {
        const DWORD code = GetLastError();
        VDS_THROW(PlatformError, "ipc::SharedMemoryUnsafe::Snapshot::Snapshot",
                  failure("MapViewOfFile", block.name(), code));
    }
    std::memcpy(buffer_.data(), view_, size_);
}

SharedMemoryUnsafe::Snapshot::~Snapshot() {
    if (!UnmapViewOfFile(view_)) {
        try {
            const DWORD code = GetLastError();
            VDS_THROW(PlatformError, "ipc::SharedMemoryUnsafe::Snapshot::~Snapshot",
                      failure("UnmapViewOfFile", "", code));
        }
        VDS_CATCH_AND_LOG("ipc::SharedMemoryUnsafe::Snapshot::~Snapshot")
    }
}

void SharedMemoryUnsafe::Snapshot::flush() {
    std::memcpy(view_, buffer_.data(), size_);
    if (!FlushViewOfFile(view_, size_)) {
        const DWORD code = GetLastError();
        VDS_THROW(PlatformError, "ipc::SharedMemoryUnsafe::Snapshot::flush",
                  failure("FlushViewOfFile", "", code));
    }
}

}  // namespace ipc

#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <optional>
#include <string>

#include "win/AutoHandle.h"

namespace ipc {

// A named block of shared memory, eight bytes long, without any lock ("unsafe"): each
// writer overwrites the whole content. Failures throw VdsError<ipc::PlatformError>.
class SharedMemoryUnsafe {
public:
    static constexpr std::size_t blockSize = 8;

    struct OpenExisting {};
    struct CreateNew {};

    // Opens the existing block `name` for reading and writing; fails when there is none.
    static SharedMemoryUnsafe create(OpenExisting, const std::string& name);

    // Creates the block `name` in the paging file (or opens it when another process made
    // it in the meantime); without a name the block is named by a new GUID.
    static SharedMemoryUnsafe create(CreateNew, const std::optional<std::string>& name = std::nullopt);

    const std::string& name() const { return name_; }
    std::size_t size() const { return size_; }
    HANDLE handle() const { return mapping_.get(); }

    // A view of the block with a local copy of its content: read it, change the copy and
    // flush() it back. The view is unmapped when the snapshot goes away.
    class Snapshot {
    public:
        using Buffer = std::array<unsigned char, blockSize>;

        explicit Snapshot(const SharedMemoryUnsafe& block);
        ~Snapshot();
        Snapshot(const Snapshot&) = delete;
        Snapshot& operator=(const Snapshot&) = delete;

        Buffer& buffer() { return buffer_; }
        const Buffer& buffer() const { return buffer_; }

        // Writes the local copy into the block.
        void flush();

    private:
        void* view_ = nullptr;
        std::size_t size_ = 0;
        Buffer buffer_{};
    };

private:
    SharedMemoryUnsafe(HANDLE mapping, std::string name);

    AutoHandle mapping_;
    std::size_t size_ = blockSize;
    std::string name_;
};

}  // namespace ipc

#pragma once

#include "File.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace bspatch {

// The new file, made so that it appears whole or not at all: its bytes are built in
// private memory and written, in order and in large writes, to a temporary file beside
// the target, which replaces the target only once everything is written and closed. A full
// disk is a failed write, reported like any other. Until commit() succeeds, destruction
// removes the temporary file, so a failure never leaves a partial new file nor touches an
// existing one.
class OutputFile {
public:
    // Makes the temporary file `size` bytes long (where the file system reserves room,
    // a disk too small fails here) and takes the memory. The size comes from the patch
    // header and is only a claim until the patch bears it out; a size the disk or the
    // address space cannot hold fails here.
    OutputFile(std::string targetPath, std::int64_t size);
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    std::uint8_t* data() const noexcept { return memory_.get(); }
    // Writes the bytes of data() from where the last call ended up to `end`.
    void writeThrough(std::int64_t end);
    // Writes what is left, then puts the file in place.
    void commit();

private:
    // Frees the memory, closes and deletes the temporary file, ignoring errors.
    void discard() noexcept;

    struct VirtualReleaser {
        void operator()(std::uint8_t* memory) const noexcept;
    };

    std::string targetPath_;
    std::string temporaryPath_;
    std::optional<File> file_;
    std::unique_ptr<std::uint8_t[], VirtualReleaser> memory_;
    std::size_t size_ = 0;
    std::size_t written_ = 0;
    bool committed_ = false;
};

}  // namespace bspatch

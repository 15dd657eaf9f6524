#pragma once

#include "File.h"
#include "FileView.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace bspatch {

// The new file, built in place so that it appears whole or not at all: its bytes are
// written through a view of a temporary file beside the target, which replaces the target
// only once everything is written and closed. Until commit() succeeds, destruction
// removes the temporary file, so a failure never leaves a partial new file nor touches an
// existing one.
class OutputFile {
public:
    // Makes the temporary file `size` bytes long and maps it. The size comes from the
    // patch header and is only a claim until the patch bears it out; a size the disk or
    // the address space cannot hold fails here.
    OutputFile(std::string targetPath, std::int64_t size);
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    std::uint8_t* data() const noexcept { return view_.data(); }
    void commit();

private:
    // Unmaps, closes and deletes the temporary file, ignoring errors.
    void discard() noexcept;

    std::string targetPath_;
    std::string temporaryPath_;
    std::optional<File> file_;
    FileView view_;
    bool committed_ = false;
};

}  // namespace bspatch

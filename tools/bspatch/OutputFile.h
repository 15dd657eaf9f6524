#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace bspatch {

// Writes the new file so that it appears whole or not at all: the bytes go into a
// temporary file beside the target, which replaces the target only once everything is
// written and closed. Until commit() succeeds, destruction removes the temporary file,
// so a failure never leaves a partial new file nor touches an existing one.
class OutputFile {
public:
    explicit OutputFile(std::string targetPath);
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    void write(const std::uint8_t* data, std::size_t size);
    void commit();

private:
    std::string targetPath_;
    std::string temporaryPath_;
    bool committed_ = false;
};

}  // namespace bspatch

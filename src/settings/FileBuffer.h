#pragma once

#include <cstddef>
#include <string>

#include "settings/FilePath.h"
#include "settings/PlainTextFileConfigParser.h"

namespace settings_impl {

// Settings text read from a file, opened read-only in binary mode.
class FileBuffer : public PlainTextFileConfigParser::IBuffer {
public:
    // The longest file that is read: one byte less than a mebibyte.
    static constexpr std::size_t kMaxBytes = 1048575;

    explicit FileBuffer(FilePath path) : path_(std::move(path)) {}

    // The file's text; settings::Exception 304 when it does not open, 307 on a read
    // error, 315 for a file longer than kMaxBytes, 314 when the text is not plain.
    std::string read() override;

private:
    FilePath path_;
};

}  // namespace settings_impl

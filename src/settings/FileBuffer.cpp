#include "settings/FileBuffer.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "settings/Exception.h"
#include "settings/PlainText.h"
#include "settings/ResultCodes.h"

namespace settings_impl {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

std::string FileBuffer::read() {
    const std::unique_ptr<std::FILE, FileCloser> file(_wfopen(path_.wide().c_str(), L"rb"));
    if (!file) {
        throw settings::Exception(settings::kCannotOpen, "cannot open '" + path_.narrow() + "' for reading");
    }
    // One byte more than allowed tells a file at the limit from a longer one.
    std::vector<char> buffer(kMaxBytes + 2);
    const std::size_t length = std::fread(buffer.data(), 1, kMaxBytes + 1, file.get());
    if (std::ferror(file.get())) {
        throw settings::Exception(settings::kReadFailed, "cannot read '" + path_.narrow() + "'");
    }
    if (!std::feof(file.get())) {
        throw settings::Exception(settings::kFileTooLong,
                                  "'" + path_.narrow() + "' is longer than 1,048,575 bytes");
    }
    std::string text(buffer.data(), length);
    if (!plaintext::isPlain(text)) {
        throw settings::Exception(settings::kTextNotPlain, "'" + path_.narrow() + "' is not plain text");
    }
    return text;
}

}  // namespace settings_impl

#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace bspatch {

class File;

// The whole content of an open file mapped into memory, unmapped on scope exit. Mapping
// instead of reading spares the copy of every byte and most of the page faults: the
// system serves the view straight from its file cache, and the pages written through a
// writable view are the file's own. An empty file has an empty view (data() is null).
class FileView {
public:
    static FileView readOnly(const File& file);
    // Maps the first `size` bytes of `file`, which must be open for reading and writing
    // and at least that long.
    static FileView readWrite(const File& file, std::int64_t size);

    FileView() = default;
    FileView(FileView&& other) noexcept;
    FileView& operator=(FileView&& other) noexcept;
    FileView(const FileView&) = delete;
    FileView& operator=(const FileView&) = delete;
    ~FileView();

    std::uint8_t* data() const noexcept { return data_; }
    std::size_t size() const noexcept { return size_; }

    // Unmaps now, so that a failure is reported rather than ignored.
    void close();

private:
    FileView(std::uint8_t* data, std::size_t size, std::string path) noexcept
        : data_(data), size_(size), path_(std::move(path)) {}
    static FileView map(const File& file, std::int64_t size, bool writable);

    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::string path_;
};

}  // namespace bspatch

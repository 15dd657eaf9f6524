#pragma once

#include <cstddef>
#include <cstdint>

namespace bspatch {

class File;

// The whole content of an open file mapped read-only into memory, unmapped on scope exit.
// Mapping instead of reading spares the copy of every byte: the system serves the view
// straight from its file cache. An empty file has an empty view (data() is null).
class FileView {
public:
    static FileView readOnly(const File& file);

    FileView() = default;
    FileView(FileView&& other) noexcept;
    FileView& operator=(FileView&& other) noexcept;
    FileView(const FileView&) = delete;
    FileView& operator=(const FileView&) = delete;
    ~FileView();

    std::uint8_t* data() const noexcept { return data_; }
    std::size_t size() const noexcept { return size_; }

private:
    FileView(std::uint8_t* data, std::size_t size) noexcept : data_(data), size_(size) {}

    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace bspatch

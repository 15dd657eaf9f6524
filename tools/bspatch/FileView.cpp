#include "FileView.h"

#include "File.h"
#include "SystemError.h"

#include <windows.h>

#include <limits>
#include <utility>

namespace bspatch {

FileView FileView::readOnly(const File& file) { return map(file, file.size(), false); }

FileView FileView::readWrite(const File& file, std::int64_t size) { return map(file, size, true); }

FileView FileView::map(const File& file, std::int64_t size, bool writable) {
    if (size == 0) {
        return FileView(nullptr, 0, file.path());
    }
    if (static_cast<std::uint64_t>(size) > std::numeric_limits<std::size_t>::max()) {
        throw SystemError("cannot map", file.path(), ERROR_NOT_ENOUGH_MEMORY);
    }
    const auto length = static_cast<std::uint64_t>(size);
    // The mapping object is needed only until the view exists; the view keeps the
    // mapping alive by itself.
    HANDLE mapping =
        CreateFileMappingA(file.handle(), nullptr, writable ? PAGE_READWRITE : PAGE_READONLY,
                           static_cast<DWORD>(length >> 32), static_cast<DWORD>(length), nullptr);
    if (mapping == nullptr) {
        throw SystemError("cannot map", file.path(), GetLastError());
    }
    void* view = MapViewOfFile(mapping, writable ? FILE_MAP_WRITE : FILE_MAP_READ, 0, 0,
                               static_cast<std::size_t>(length));
    const DWORD error = GetLastError();
    CloseHandle(mapping);
    if (view == nullptr) {
        throw SystemError("cannot map", file.path(), error);
    }
    return FileView(static_cast<std::uint8_t*>(view), static_cast<std::size_t>(length), file.path());
}

FileView::FileView(FileView&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      path_(std::move(other.path_)) {}

FileView& FileView::operator=(FileView&& other) noexcept {
    if (this != &other) {
        if (data_ != nullptr) {
            UnmapViewOfFile(data_);
        }
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        path_ = std::move(other.path_);
    }
    return *this;
}

FileView::~FileView() {
    if (data_ != nullptr) {
        UnmapViewOfFile(data_);
    }
}

void FileView::close() {
    std::uint8_t* data = std::exchange(data_, nullptr);
    size_ = 0;
    if (data != nullptr && !UnmapViewOfFile(data)) {
        throw SystemError("cannot unmap", path_, GetLastError());
    }
}

}  // namespace bspatch

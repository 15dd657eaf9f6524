#include "FileView.h"

#include "File.h"
#include "SystemError.h"

#include <windows.h>

#include <limits>
#include <utility>

namespace bspatch {

FileView FileView::readOnly(const File& file) {
    const std::int64_t size = file.size();
    if (size == 0) {
        return FileView(nullptr, 0);
    }
    if (static_cast<std::uint64_t>(size) > std::numeric_limits<std::size_t>::max()) {
        throw SystemError("cannot map", file.path(), ERROR_NOT_ENOUGH_MEMORY);
    }
    const auto length = static_cast<std::uint64_t>(size);
    // The mapping object is needed only until the view exists; the view keeps the
    // mapping alive by itself.
    HANDLE mapping =
        CreateFileMappingA(file.handle(), nullptr, PAGE_READONLY, static_cast<DWORD>(length >> 32),
                           static_cast<DWORD>(length), nullptr);
    if (mapping == nullptr) {
        throw SystemError("cannot map", file.path(), GetLastError());
    }
    void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, static_cast<std::size_t>(length));
    const DWORD error = GetLastError();
    CloseHandle(mapping);
    if (view == nullptr) {
        throw SystemError("cannot map", file.path(), error);
    }
    return FileView(static_cast<std::uint8_t*>(view), static_cast<std::size_t>(length));
}

FileView::FileView(FileView&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

FileView& FileView::operator=(FileView&& other) noexcept {
    if (this != &other) {
        if (data_ != nullptr) {
            UnmapViewOfFile(data_);
        }
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

FileView::~FileView() {
    if (data_ != nullptr) {
        UnmapViewOfFile(data_);
    }
}

}  // namespace bspatch

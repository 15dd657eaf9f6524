#include "File.h"

#include "SystemError.h"

#include <windows.h>

#include <algorithm>
#include <utility>

namespace bspatch {
namespace {

// ReadFile and WriteFile count in DWORDs; larger transfers go in slices of this size.
constexpr std::size_t kMaxTransfer = std::size_t{1} << 30;

}  // namespace

File File::openForReading(const std::string& path) {
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        throw SystemError("cannot open", path, GetLastError());
    }
    return File(handle, path);
}

File File::openForUpdate(const std::string& path) {
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        throw SystemError("cannot create", path, GetLastError());
    }
    return File(handle, path);
}

File::File(File&& other) noexcept
    : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)), path_(std::move(other.path_)) {}

File::~File() {
    if (handle_ != INVALID_HANDLE_VALUE) {
        CloseHandle(handle_);
    }
}

std::int64_t File::size() const {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle_, &size)) {
        throw SystemError("cannot get the size of", path_, GetLastError());
    }
    return size.QuadPart;
}

void File::seek(std::int64_t offset) {
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    if (!SetFilePointerEx(handle_, distance, nullptr, FILE_BEGIN)) {
        throw SystemError("cannot seek in", path_, GetLastError());
    }
}

std::size_t File::readSome(void* buffer, std::size_t size) {
    auto* bytes = static_cast<char*>(buffer);
    std::size_t total = 0;
    while (total < size) {
        DWORD read = 0;
        const auto slice = static_cast<DWORD>(std::min(size - total, kMaxTransfer));
        if (!ReadFile(handle_, bytes + total, slice, &read, nullptr)) {
            throw SystemError("cannot read", path_, GetLastError());
        }
        if (read == 0) {
            break;
        }
        total += read;
    }
    return total;
}

void File::readExactly(void* buffer, std::size_t size) {
    if (readSome(buffer, size) != size) {
        throw SystemError("unexpected end of", path_, ERROR_HANDLE_EOF);
    }
}

void File::writeAll(const void* buffer, std::size_t size) {
    const auto* bytes = static_cast<const char*>(buffer);
    for (std::size_t total = 0; total < size;) {
        DWORD written = 0;
        const auto slice = static_cast<DWORD>(std::min(size - total, kMaxTransfer));
        if (!WriteFile(handle_, bytes + total, slice, &written, nullptr)) {
            throw SystemError("cannot write", path_, GetLastError());
        }
        if (written == 0) {
            throw SystemError("cannot write", path_, ERROR_DISK_FULL);
        }
        total += written;
    }
}

void File::resize(std::int64_t size) {
    LARGE_INTEGER end;
    end.QuadPart = size;
    if (!SetFilePointerEx(handle_, end, nullptr, FILE_BEGIN) || !SetEndOfFile(handle_)) {
        throw SystemError("cannot make room for " + std::to_string(size) + " bytes in", path_,
                          GetLastError());
    }
}

void File::close() {
    HANDLE handle = std::exchange(handle_, INVALID_HANDLE_VALUE);
    if (handle != INVALID_HANDLE_VALUE && !CloseHandle(handle)) {
        throw SystemError("cannot close", path_, GetLastError());
    }
}

}  // namespace bspatch

#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace bspatch {

// An open Windows file handle, closed on scope exit. All I/O is raw binary: no text-mode
// translation ever touches patch or image bytes.
class File {
public:
    static File openForReading(const std::string& path);
    // Opens an existing file (made by GetTempFileNameA, say) for reading and writing,
    // truncating it.
    static File openForUpdate(const std::string& path);

    File(File&& other) noexcept;
    File& operator=(File&&) = delete;
    File(const File&) = delete;
    ~File();

    std::int64_t size() const;
    void seek(std::int64_t offset);
    // Reads up to `size` bytes; returns fewer only at the end of the file.
    std::size_t readSome(void* buffer, std::size_t size);
    // Reads exactly `size` bytes or throws.
    void readExactly(void* buffer, std::size_t size);
    // Writes all `size` bytes at the file pointer or throws (a full disk, say).
    void writeAll(const void* buffer, std::size_t size);
    // Sets the file's length to `size` bytes.
    void resize(std::int64_t size);
    // Closes now so that close errors (lost delayed writes) are reported, not ignored.
    void close();

    const std::string& path() const noexcept { return path_; }
    void* handle() const noexcept { return handle_; }

private:
    File(void* handle, std::string path) noexcept : handle_(handle), path_(std::move(path)) {}

    void* handle_;
    std::string path_;
};

}  // namespace bspatch

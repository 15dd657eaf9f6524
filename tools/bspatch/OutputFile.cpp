#include "OutputFile.h"

#include "SystemError.h"

#include <windows.h>

#include <stdexcept>

namespace bspatch {
namespace {

// The folder part of a path as the user gave it ("." when there is none), so that the
// temporary file lies on the same volume as the target and the final rename is atomic.
std::string folderOf(const std::string& path) {
    const std::size_t separator = path.find_last_of("\\/:");
    if (separator == std::string::npos) {
        return ".";
    }
    if (path[separator] == ':' || separator == 0 || path[separator - 1] == ':') {
        return path.substr(0, separator + 1);
    }
    return path.substr(0, separator);
}

}  // namespace

OutputFile::OutputFile(std::string targetPath, std::int64_t size) : targetPath_(std::move(targetPath)) {
    const std::string folder = folderOf(targetPath_);
    char temporary[MAX_PATH];
    if (GetTempFileNameA(folder.c_str(), "bsp", 0, temporary) == 0) {
        throw SystemError("cannot create a temporary file in", folder, GetLastError());
    }
    temporaryPath_ = temporary;
    try {
        file_.emplace(File::openForUpdate(temporaryPath_));
        try {
            file_->resize(size);
            file_->seek(0);
        } catch (const SystemError& error) {
            throw std::runtime_error("not enough room for the new file of " + std::to_string(size) +
                                     " bytes (" + error.what() + ")");
        }
        size_ = static_cast<std::size_t>(size);
        if (size_ > 0) {
            memory_.reset(static_cast<std::uint8_t*>(
                VirtualAlloc(nullptr, size_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE)));
            if (!memory_) {
                throw SystemError("not enough memory for the " + std::to_string(size) + "-byte content of",
                                  temporaryPath_, GetLastError());
            }
        }
    } catch (...) {
        discard();
        throw;
    }
}

OutputFile::~OutputFile() {
    if (!committed_) {
        discard();
    }
}

void OutputFile::VirtualReleaser::operator()(std::uint8_t* memory) const noexcept {
    VirtualFree(memory, 0, MEM_RELEASE);
}

void OutputFile::discard() noexcept {
    memory_.reset();
    file_.reset();
    DeleteFileA(temporaryPath_.c_str());
}

void OutputFile::writeThrough(std::int64_t end) {
    const auto through = static_cast<std::size_t>(end);
    file_->writeAll(memory_.get() + written_, through - written_);
    written_ = through;
}

void OutputFile::commit() {
    writeThrough(static_cast<std::int64_t>(size_));
    memory_.reset();
    file_->close();
    if (!MoveFileExA(temporaryPath_.c_str(), targetPath_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        throw SystemError("cannot move the new file into place as", targetPath_, GetLastError());
    }
    committed_ = true;
}

}  // namespace bspatch

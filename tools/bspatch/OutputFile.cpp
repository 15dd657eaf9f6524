#include "OutputFile.h"

#include "File.h"
#include "SystemError.h"

#include <windows.h>

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

OutputFile::OutputFile(std::string targetPath) : targetPath_(std::move(targetPath)) {
    const std::string folder = folderOf(targetPath_);
    char temporary[MAX_PATH];
    if (GetTempFileNameA(folder.c_str(), "bsp", 0, temporary) == 0) {
        throw SystemError("cannot create a temporary file in", folder, GetLastError());
    }
    temporaryPath_ = temporary;
}

OutputFile::~OutputFile() {
    if (!committed_) {
        DeleteFileA(temporaryPath_.c_str());
    }
}

void OutputFile::write(const std::uint8_t* data, std::size_t size) {
    File file = File::openForWriting(temporaryPath_);
    file.writeAll(data, size);
    file.close();
}

void OutputFile::commit() {
    if (!MoveFileExA(temporaryPath_.c_str(), targetPath_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        throw SystemError("cannot move the new file into place as", targetPath_, GetLastError());
    }
    committed_ = true;
}

}  // namespace bspatch

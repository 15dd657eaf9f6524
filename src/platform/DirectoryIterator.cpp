#include "platform/DirectoryIterator.h"

#include <windows.h>

#include <cstring>

#include "diag/ErrorText.h"
#include "diag/Logger.h"
#include "diag/SysError.h"
#include "diag/VdsError.h"
#include "platform/FileUtils.h"
#include "win/AutoHandle.h"

namespace FileUtils {

namespace {

struct FindHandleTraits {
    using Handle = HANDLE;
    static bool valid(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static void close(HANDLE handle) noexcept {
        if (valid(handle) && !FindClose(handle)) {
            const DWORD code = GetLastError();
            VDS_LOG_CLOSE_FAILURE(LogLevel::Error, "FileUtils::iterateDirectory",
                                  failedWith("FindClose", code));
        }
    }
};

bool isDotEntry(const char* name) { return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0; }

}  // namespace

bool DirectoryCallback::onFile(const std::string&) { return true; }

bool DirectoryCallback::onDirectory(const std::string&) { return true; }

void iterateDirectory(const std::string& dir, DirectoryCallback& callback) {
    WIN32_FIND_DATAA entry;
    const UniqueHandle<FindHandleTraits> search(FindFirstFileA(join(dir, "*").c_str(), &entry));
    if (!search) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND) {
            return;
        }
        VDS_THROW(SysError, "FileUtils::iterateDirectory", "FindFirstFile(" + dir + ") failed",
                  FindFirstFileA, code);
    }
    do {
        const bool folder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (folder && isDotEntry(entry.cFileName)) {
            continue;
        }
        const std::string full = join(dir, entry.cFileName);
        if (!(folder ? callback.onDirectory(full) : callback.onFile(full))) {
            return;
        }
    } while (FindNextFileA(search.get(), &entry));
    const DWORD code = GetLastError();
    if (code != ERROR_NO_MORE_FILES) {
        VDS_THROW(SysError, "FileUtils::iterateDirectory", "FindNextFile(" + dir + ") failed", FindNextFileA,
                  code);
    }
}

DirectoryIterator::DirectoryIterator(bool recurse, bool collectFiles, bool collectFolders)
    : recurse_(recurse), collectFiles_(collectFiles), collectFolders_(collectFolders) {}

bool DirectoryIterator::onFile(const std::string& path) {
    if (collectFiles_) {
        paths_.push_back(path);
    }
    return true;
}

bool DirectoryIterator::onDirectory(const std::string& path) {
    if (collectFolders_) {
        paths_.push_back(path);
    }
    if (recurse_ && !isReparsePoint(path)) {
        DirectoryIterator inner(recurse_, collectFiles_, collectFolders_);
        iterateDirectory(path, inner);
        paths_.insert(paths_.end(), inner.paths_.begin(), inner.paths_.end());
    }
    return true;
}

}  // namespace FileUtils

#include "support/TempFolder.h"

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace testsupport {

namespace {

// Removes everything below `folder` and the folder itself, trying each entry once, so
// that a name the file system lists but cannot remove (Wine lists a Unix file "C:x.txt"
// as "x.txt", which then is not found) is left behind instead of retried for ever, as
// std::filesystem::remove_all does. A folder link is removed as a link, never entered.
void removeTree(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") {
                continue;
            }
            const std::string path = folder + "\\" + name;
            const DWORD attributes = found.dwFileAttributes;
            if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
                removeTree(path);
            } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                RemoveDirectoryA(path.c_str());
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

}  // namespace

TempFolder::TempFolder() {
    char temp[MAX_PATH + 1];
    const DWORD length = GetTempPathA(sizeof temp, temp);
    if (length == 0 || length >= sizeof temp) {
        const DWORD error = GetLastError();
        throw std::runtime_error("GetTempPathA failed with error " + std::to_string(error));
    }
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const std::string candidate = std::string(temp, length) + "vesk-test-" +
                                      std::to_string(GetCurrentProcessId()) + "-" +
                                      std::to_string(GetTickCount()) + "-" + std::to_string(++counter);
        if (CreateDirectoryA(candidate.c_str(), nullptr)) {
            path_ = candidate;
            return;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS) {
            throw std::runtime_error("CreateDirectoryA(" + candidate + ") failed with error " +
                                     std::to_string(error));
        }
    }
    throw std::runtime_error("no unused temporary folder name found");
}

TempFolder::~TempFolder() { removeTree(path_); }

std::string TempFolder::listing() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(path_))) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    std::string text;
    for (const std::string& name : names) {
        text += (text.empty() ? "" : " ") + name;
    }
    return text;
}

}  // namespace testsupport

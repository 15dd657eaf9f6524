#include "support/TempFolder.h"

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace testsupport {

TempFolder::TempFolder() {
    char temp[MAX_PATH + 1];
    const DWORD length = GetTempPathA(sizeof temp, temp);
    if (length == 0 || length >= sizeof temp) {
        throw std::runtime_error("GetTempPathA failed with error " + std::to_string(GetLastError()));
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
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            throw std::runtime_error("CreateDirectoryA(" + candidate + ") failed with error " +
                                     std::to_string(GetLastError()));
        }
    }
    throw std::runtime_error("no unused temporary folder name found");
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(path_), ignored);
}

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

#include "support/PendingRenames.h"

#include <windows.h>

#include <stdexcept>

namespace testsupport {

namespace {

constexpr const char* sessionManagerKey = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr const wchar_t* valueName = L"PendingFileRenameOperations";

std::string narrow(const std::wstring& wide) {
    if (wide.empty()) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string text(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size, nullptr,
                        nullptr);
    return text;
}

}  // namespace

std::vector<PendingRename> pendingRenames() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, sessionManagerKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        throw std::runtime_error("cannot open HKLM\\" + std::string(sessionManagerKey));
    }
    DWORD size = 0;
    LONG status = RegQueryValueExW(key, valueName, nullptr, nullptr, nullptr, &size);
    std::wstring data(size / sizeof(wchar_t), L'\0');
    if (status == ERROR_SUCCESS && size > 0) {
        status =
            RegQueryValueExW(key, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &size);
    }
    RegCloseKey(key);
    if (status == ERROR_FILE_NOT_FOUND) {
        return {};
    }
    if (status != ERROR_SUCCESS) {
        throw std::runtime_error("cannot read PendingFileRenameOperations: error " + std::to_string(status));
    }
    // A multi-string of (source, target) pairs; the list ends at the first empty source.
    std::vector<std::string> strings;
    for (std::size_t start = 0; start < data.size();) {
        const std::size_t end = data.find(L'\0', start);
        const std::size_t stop = end == std::wstring::npos ? data.size() : end;
        strings.push_back(narrow(data.substr(start, stop - start)));
        start = stop + 1;
    }
    std::vector<PendingRename> renames;
    for (std::size_t i = 0; i + 1 < strings.size() && !strings[i].empty(); i += 2) {
        renames.push_back(PendingRename{strings[i], strings[i + 1]});
    }
    return renames;
}

std::string pendingPath(const std::string& path) { return "\\??\\" + path; }

}  // namespace testsupport

#include "platform/PendingRenames.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "diag/tstrings.h"
#include "platform/Registry.h"

namespace PendingRenames {

namespace {

constexpr const char* sessionManagerKey = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr const char* valueName = "PendingFileRenameOperations";

// A recorded path as a Win32 path in one case and with one kind of separator: without
// the "replace existing" mark and the "\??\" prefix.
std::wstring comparable(std::wstring path) {
    if (path.starts_with(L"!")) {
        path.erase(0, 1);
    }
    if (path.starts_with(L"\\??\\")) {
        path.erase(0, 4);
    }
    std::replace(path.begin(), path.end(), L'/', L'\\');
    CharLowerBuffW(path.data(), static_cast<DWORD>(path.size()));
    return path;
}

}  // namespace

std::vector<Operation> read() {
    if (!Registry::HKLM.hasValue(std::string(sessionManagerKey) + "\\" + valueName)) {
        return {};
    }
    const Registry key(Registry::HKLM, sessionManagerKey, Registry::Read);
    DWORD type = REG_NONE;
    const std::vector<BYTE> data = key.getWideValue(valueName, type);
    std::wstring text(data.size() / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));

    // A multi-string of (source, target) pairs; the list ends at the first empty source.
    std::vector<std::wstring> strings;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find(L'\0', start), text.size());
        strings.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    std::vector<Operation> operations;
    for (std::size_t i = 0; i + 1 < strings.size() && !strings[i].empty(); i += 2) {
        operations.push_back(Operation{strings[i], strings[i + 1]});
    }
    return operations;
}

bool isPendingAtRestart(const std::string& path) {
    const std::wstring wanted = comparable(tstrings::toUtf16(path, CP_ACP));
    if (wanted.empty()) {
        return false;
    }
    const std::vector<Operation> operations = read();
    return std::any_of(operations.begin(), operations.end(), [&](const Operation& operation) {
        return comparable(operation.source) == wanted ||
               (!operation.target.empty() && comparable(operation.target) == wanted);
    });
}

}  // namespace PendingRenames

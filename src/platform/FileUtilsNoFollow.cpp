#include "platform/FileUtilsNoFollow.h"

#include <windows.h>

#include <optional>
#include <stdexcept>
#include <vector>

#include "diag/ErrorText.h"
#include "diag/Logger.h"
#include "diag/SysError.h"
#include "diag/VdsError.h"
#include "diag/tstrings.h"
#include "platform/FileUtils.h"
#include "win/AutoHandle.h"

namespace FileUtils {

namespace {

constexpr const char* function = "FileUtils::deleteFileNoFollow";
constexpr const wchar_t* longPathPrefix = L"\\\\?\\";
constexpr const wchar_t* longUncPrefix = L"\\\\?\\UNC\\";

bool isSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool startsWith(const std::wstring& text, const wchar_t* prefix) {
    return text.compare(0, std::char_traits<wchar_t>::length(prefix), prefix) == 0;
}

// "X:\..." from `at` on.
bool isDriveAbsolute(const std::wstring& path, std::size_t at) {
    return path.size() >= at + 3 &&
           ((path[at] >= L'A' && path[at] <= L'Z') || (path[at] >= L'a' && path[at] <= L'z')) &&
           path[at + 1] == L':' && isSeparator(path[at + 2]);
}

// A drive-absolute path, a share path "\\server\...", or either behind the "\\?\"
// prefix. Relative paths, drive-relative ones ("C:x", "\x") and devices ("\\.\") are not.
bool isFullyQualified(const std::wstring& path) {
    if (startsWith(path, longUncPrefix)) {
        return path.size() > std::char_traits<wchar_t>::length(longUncPrefix);
    }
    if (startsWith(path, longPathPrefix)) {
        return isDriveAbsolute(path, std::char_traits<wchar_t>::length(longPathPrefix));
    }
    return isDriveAbsolute(path, 0) || (path.size() > 2 && isSeparator(path[0]) && isSeparator(path[1]) &&
                                        !isSeparator(path[2]) && path[2] != L'?' && path[2] != L'.');
}

// The path in its plain form: "\\?\C:\x" as "C:\x", "\\?\UNC\server\x" as "\\server\x".
std::wstring withoutLongPathPrefix(const std::wstring& path) {
    if (startsWith(path, longUncPrefix)) {
        return L"\\\\" + path.substr(std::char_traits<wchar_t>::length(longUncPrefix));
    }
    if (startsWith(path, longPathPrefix)) {
        return path.substr(std::char_traits<wchar_t>::length(longPathPrefix));
    }
    return path;
}

[[noreturn]] void refuse(const std::string& shown, const std::string& reason) {
    VDS_THROW(std::runtime_error, function, "Refused to delete [" + shown + "]: " + reason);
}

// The text that `fill(buffer, size)` writes, in a buffer grown to the length it asks
// for; nothing when it fails (returns 0), its Windows error then in `error`.
template <class Fill>
std::optional<std::wstring> filledText(Fill fill, DWORD& error) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = fill(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            error = GetLastError();
            return std::nullopt;
        }
        if (length < buffer.size()) {
            return std::wstring(buffer.data(), length);
        }
        buffer.resize(length);
    }
}

// The path as Windows opens it: "." and ".." resolved, every separator a '\' and short
// (8.3) names in their long form, as the file system gives a file's final path.
std::wstring fullPathOf(const std::wstring& path, const std::string& shown) {
    DWORD code = 0;
    const std::optional<std::wstring> full = filledText(
        [&](wchar_t* buffer, DWORD size) { return GetFullPathNameW(path.c_str(), size, buffer, nullptr); },
        code);
    if (!full) {
        VDS_THROW(SysError, function, "GetFullPathName(" + shown + ") failed", GetFullPathNameW, code);
    }
    // A path whose long form is unknown is compared as it is.
    return filledText(
               [&](wchar_t* buffer, DWORD size) { return GetLongPathNameW(full->c_str(), buffer, size); },
               code)
        .value_or(*full);
}

// The path by which the file system reaches what `file` holds, every link resolved.
std::wstring finalPathOf(HANDLE file, const std::string& shown) {
    DWORD code = 0;
    const std::optional<std::wstring> final = filledText(
        [&](wchar_t* buffer, DWORD size) {
            return GetFinalPathNameByHandleW(file, buffer, size, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        },
        code);
    if (!final) {
        VDS_THROW(SysError, function, "GetFinalPathNameByHandle(" + shown + ") failed",
                  GetFinalPathNameByHandleW, code);
    }
    return *final;
}

[[noreturn]] void throwDeleteFailure(const std::string& shown, DWORD code) {
    VDS_THROW(SysError, function, "DeleteFile(" + shown + ") failed", SetFileInformationByHandle, code);
}

bool markForDeletion(HANDLE file) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

// Clears the read-only attribute of the file held by `file`, which is what keeps Windows
// from deleting it; false (with a warning) when it stays.
bool discardReadOnly(HANDLE file, const std::string& shown, DWORD attributes) {
    FILE_BASIC_INFO basic{};  // zero times stay as they are
    const DWORD remaining = attributes & ~FILE_ATTRIBUTE_READONLY;
    basic.FileAttributes = remaining == 0 ? FILE_ATTRIBUTE_NORMAL : remaining;
    if (!SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic)) {
        const DWORD code = GetLastError();
        LOG_WARNING(function, joinMessages("Failed to discard R/O attribute from [" + shown +
                                               "] file. File will not be deleted",
                                           systemErrorText(code)));
        return false;
    }
    LOG_TRACE(function, "Discarded R/O attribute from [" << shown << "] file");
    return true;
}

}  // namespace

bool deleteFileNoFollow(const std::wstring& path) {
    const std::string shown = tstrings::toUtf8(path);
    if (!isFullyQualified(path)) {
        refuse(shown, "the path is not fully qualified");
    }
    AutoHandle file(CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                                nullptr));
    if (!file) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) {
            return false;
        }
        VDS_THROW(SysError, function, "CreateFile(" + shown + ") failed", CreateFileW, code);
    }
    const DWORD attributes = informationOf(file.get(), shown).dwFileAttributes;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        refuse(shown, "it is a link (reparse point)");
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        refuse(shown, "it is a folder");
    }
    const std::wstring requested = withoutLongPathPrefix(fullPathOf(path, shown));
    const std::wstring reached = withoutLongPathPrefix(finalPathOf(file.get(), shown));
    if (CompareStringOrdinal(requested.c_str(), -1, reached.c_str(), -1, TRUE) != CSTR_EQUAL) {
        refuse(shown, "the file is reached as [" + tstrings::toUtf8(reached) + "], through a link");
    }
    if (!markForDeletion(file.get())) {
        const DWORD code = GetLastError();
        const bool readOnly = code == ERROR_ACCESS_DENIED && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
        if (!readOnly || !discardReadOnly(file.get(), shown, attributes)) {
            throwDeleteFailure(shown, code);
        }
        if (!markForDeletion(file.get())) {
            throwDeleteFailure(shown, GetLastError());
        }
    }
    // The name goes when the last handle to the file closes.
    file.reset();
    LOG_TRACE(function, "Deleted [" << shown << "] file");
    return true;
}

}  // namespace FileUtils

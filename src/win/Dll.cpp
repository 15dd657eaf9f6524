#include "win/Dll.h"

#include <stdexcept>
#include <utility>
#include <vector>

#include "diag/SysError.h"
#include "diag/VdsError.h"
#include "diag/tstrings.h"
#include "win/AutoHandle.h"

namespace {

// The Windows system directory. Only this file needs it, and the system information of
// the platform layer sits above us.
std::wstring systemDirectory() {
    std::vector<wchar_t> buffer(MAX_PATH);
    UINT length = GetSystemDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
    if (length >= buffer.size()) {
        buffer.resize(length);
        length = GetSystemDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
    }
    if (length == 0 || length >= buffer.size()) {
        const DWORD code = GetLastError();
        VDS_THROW(SysError, "Dll::loadSystem", "GetSystemDirectoryW() failed", GetSystemDirectoryW, code);
    }
    return std::wstring(buffer.data(), length);
}

bool isFullPath(const std::wstring& path) {
    const bool drive = path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
    const bool share = path.size() >= 3 && path[0] == L'\\' && path[1] == L'\\';
    return drive || share;
}

// Throws the failure of loading the library `utf8Path`; `failedFunction` lies in the
// module whose messages describe `code` (null: the system's).
[[noreturn]] void throwLoadFailure(const std::string& utf8Path, const void* failedFunction, DWORD code) {
    VDS_THROW(SysError, "loadLibrary", "LoadLibraryW(" + utf8Path + ") failed", failedFunction, code);
}

// Error codes for a name that holds something other than a plain file. Not every
// Windows SDK names the first.
constexpr DWORD directoryNotSupported = 336;  // ERROR_DIRECTORY_NOT_SUPPORTED
constexpr DWORD notAPlainFile = ERROR_CANT_ACCESS_FILE;

// Opens the library file at `path` itself, never what a link there points to, and
// holds it without write or delete sharing while it loads, so that what was checked is
// what loads. A missing file, a folder or a link is refused here: the loader would
// otherwise search elsewhere, and Wine would put its own builtin in place of a missing
// file of a name that it implements.
AutoHandle openPlainFile(const std::wstring& path, const std::string& utf8Path) {
    AutoHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) {
        const DWORD code = GetLastError();
        throwLoadFailure(utf8Path, reinterpret_cast<const void*>(CreateFileW), code);
    }
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(file.get(), &information)) {
        const DWORD code = GetLastError();
        throwLoadFailure(utf8Path, reinterpret_cast<const void*>(GetFileInformationByHandle), code);
    }
    if (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        throwLoadFailure(utf8Path, nullptr, notAPlainFile);
    }
    if (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        throwLoadFailure(utf8Path, nullptr, directoryNotSupported);
    }
    return file;
}

// Loads the library file at the full path `path`, the search for the libraries it needs
// limited by `searchFlags`. A Windows that does not know these flags (Windows 7 without
// its loader update) refuses them; the needed libraries then come from the library's own
// folder instead.
HMODULE loadLibrary(const std::wstring& path, const std::string& utf8Path, DWORD searchFlags) {
    if (!isFullPath(path)) {
        VDS_THROW(std::invalid_argument, "loadLibrary",
                  "LoadLibraryW(" + utf8Path + ") refused: a library is loaded by its full path only");
    }
    const AutoHandle file = openPlainFile(path, utf8Path);
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, searchFlags);
    if (module == nullptr && GetLastError() == ERROR_INVALID_PARAMETER) {
        module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
    if (module == nullptr) {
        const DWORD code = GetLastError();
        throwLoadFailure(utf8Path, reinterpret_cast<const void*>(LoadLibraryExW), code);
    }
    return module;
}

}  // namespace

Dll::Dll(HMODULE module, std::string path) : module_(module), path_(std::move(path)) {}

Dll Dll::load(const std::wstring& path) {
    std::string utf8Path = tstrings::toUtf8(path);
    HMODULE module =
        loadLibrary(path, utf8Path, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    return Dll(module, std::move(utf8Path));
}

Dll Dll::loadUtf8(const std::string& path) { return load(tstrings::toUtf16(path, CP_UTF8)); }

Dll Dll::loadSystem(const std::string& fileName) {
    const std::wstring path = systemDirectory() + L"\\" + tstrings::toUtf16(fileName, CP_UTF8);
    std::string utf8Path = tstrings::toUtf8(path);
    HMODULE module = loadLibrary(path, utf8Path, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return Dll(module, std::move(utf8Path));
}

Dll Dll::loaded(const std::wstring& name) {
    std::string utf8Name = tstrings::toUtf8(name);
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(0, name.c_str(), &module)) {
        const DWORD code = GetLastError();
        VDS_THROW(SysError, "Dll::Dll", "GetModuleHandleExW(" + utf8Name + ") failed", GetModuleHandleExW,
                  code);
    }
    return Dll(module, std::move(utf8Name));
}

Dll::Dll(Dll&& other) noexcept
    : module_(std::exchange(other.module_, nullptr)), path_(std::move(other.path_)) {}

Dll& Dll::operator=(Dll&& other) noexcept {
    if (this != &other) {
        if (module_ != nullptr) {
            FreeLibrary(module_);
        }
        module_ = std::exchange(other.module_, nullptr);
        path_ = std::move(other.path_);
    }
    return *this;
}

Dll::~Dll() {
    if (module_ != nullptr) {
        FreeLibrary(module_);
    }
}

FARPROC Dll::getFunction(const std::string& name, bool required) const {
    const FARPROC address = GetProcAddress(module_, name.c_str());
    if (address == nullptr && required) {
        const DWORD code = GetLastError();
        VDS_THROW(SysError, "Dll::getFunction", "GetProcAddress(" + path_ + ", " + name + ") failed",
                  GetProcAddress, code);
    }
    return address;
}

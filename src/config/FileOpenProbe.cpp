#include "config/FileOpenProbe.h"

#include "diag/tstrings.h"
#include "win/AutoHandle.h"

namespace fileopenprobe {

DWORD readOpenError(const std::string& utf8Path) {
    // The settings files are named in UTF-8 and may hold characters outside the ANSI
    // code page, so they are opened by their UTF-16 names.
    const AutoHandle file(CreateFileW(tstrings::toUtf16(utf8Path, CP_UTF8).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    return file ? ERROR_SUCCESS : GetLastError();
}

bool isMissing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

bool isTransient(DWORD error) {
    return error == ERROR_SUCCESS || error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

}  // namespace fileopenprobe

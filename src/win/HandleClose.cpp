#include "win/HandleClose.h"

#include "diag/ErrorText.h"
#include "diag/Logger.h"
#include "diag/tstrings.h"

namespace {

// One ERROR record "<call>(<value>) failed with system error ...".
void logCloseFailure(const char* function, const char* call, const void* value, DWORD code) noexcept {
    VDS_LOG_CLOSE_FAILURE(LogLevel::Error, function,
                          failedWith(tstrings::unsafe_format("%s(%p)", call, value), code));
}

// The root keys that Windows predefines belong to the process, not to a key's owner.
bool isPredefinedKey(HKEY key) {
    for (const HKEY root :
         {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS, HKEY_PERFORMANCE_DATA,
          HKEY_CURRENT_CONFIG, HKEY_DYN_DATA, HKEY_CURRENT_USER_LOCAL_SETTINGS, HKEY_PERFORMANCE_TEXT,
          HKEY_PERFORMANCE_NLSTEXT}) {
        if (key == root) {
            return true;
        }
    }
    return false;
}

}  // namespace

void closeHANDLE(HANDLE handle) noexcept {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
        return;
    }
    if (!CloseHandle(handle)) {
        const DWORD code = GetLastError();
        logCloseFailure("closeHANDLE", "CloseHandle", handle, code);
    }
}

void closeRegHandle(HKEY key) noexcept {
    if (key == nullptr || isPredefinedKey(key)) {
        return;
    }
    const LONG result = RegCloseKey(key);
    if (result != ERROR_SUCCESS) {
        logCloseFailure("closeRegHandle", "RegCloseKey", key, static_cast<DWORD>(result));
    }
}

#include "win/HandleClose.h"

#include "diag/ErrorText.h"
#include "diag/Logger.h"
#include "diag/tstrings.h"

namespace {

// One ERROR record "<call>(<value>) failed with system error ...".
void logCloseFailure(const char* function, const char* call, const void* value, DWORD code) noexcept {
    try {
        const std::string failed = tstrings::unsafe_format("%s(%p)", call, value);
        LOG_ERROR(function, tstrings::unsafe_format("%s failed with %s", failed.c_str(),
                                                    systemErrorText(code).c_str()));
    } catch (...) {
        // Nothing more can be reported about a handle that would not close.
    }
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
    if (key == nullptr) {
        return;
    }
    const LONG result = RegCloseKey(key);
    if (result != ERROR_SUCCESS) {
        logCloseFailure("closeRegHandle", "RegCloseKey", key, static_cast<DWORD>(result));
    }
}

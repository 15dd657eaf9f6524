#include "detect/MsiHandle.h"

#include "diag/Logger.h"
#include "win/HandleClose.h"

namespace msi {

void closeMSIHANDLE(MSIHANDLE handle) noexcept {
    if (handle == 0) {
        return;
    }
    const UINT status = MsiCloseHandle(handle);
    if (status != ERROR_SUCCESS) {
        VDS_LOG_CLOSE_FAILURE(LogLevel::Warning, "msi::closeMSIHANDLE",
                              "MsiCloseHandle(" << handle << ") failed with error=" << status);
    }
}

void closeDatabaseView(MSIHANDLE view) noexcept {
    if (view == 0) {
        return;
    }
    const UINT status = MsiViewClose(view);
    if (status != ERROR_SUCCESS) {
        VDS_LOG_CLOSE_FAILURE(LogLevel::Warning, "msi::closeDatabaseView",
                              "MsiViewClose(" << view << ") failed with error=" << status);
    }
    // The handle goes even when the view would not close; keeping it would only leak it.
    closeMSIHANDLE(view);
}

}  // namespace msi

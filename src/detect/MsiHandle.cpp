#include "detect/MsiHandle.h"

#include "diag/Logger.h"

namespace msi {

void closeMSIHANDLE(MSIHANDLE handle) noexcept {
    if (handle == 0) {
        return;
    }
    const UINT status = MsiCloseHandle(handle);
    if (status != ERROR_SUCCESS) {
        LOG_WARNING("msi::closeMSIHANDLE", "MsiCloseHandle(" << handle << ") failed with error=" << status);
    }
}

void closeDatabaseView(MSIHANDLE view) noexcept {
    if (view == 0) {
        return;
    }
    const UINT status = MsiViewClose(view);
    if (status != ERROR_SUCCESS) {
        LOG_WARNING("msi::closeDatabaseView", "MsiViewClose(" << view << ") failed with error=" << status);
    }
    // The handle goes even when the view would not close; keeping it would only leak it.
    closeMSIHANDLE(view);
}

}  // namespace msi

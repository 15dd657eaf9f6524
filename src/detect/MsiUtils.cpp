#include "detect/MsiUtils.h"

#include <msi.h>

#include "detect/MsiError.h"
#include "detect/MsiString.h"
#include "diag/ErrorText.h"
#include "diag/Logger.h"
#include "diag/VdsError.h"
#include "win/AutoHandle.h"

namespace msi {

namespace {

UINT readProductInfo(const std::string& productCode, const std::string& name, std::string& value) {
    return readString(
        [&](char* buffer, DWORD* size) { return MsiGetProductInfoA(productCode.c_str(), name.c_str(), buffer, size); },
        value);
}

}  // namespace

std::string getProperty(const std::string& productCode, const std::string& name) {
    std::string value;
    const UINT status = readProductInfo(productCode, name, value);
    if (status != ERROR_SUCCESS) {
        VDS_THROW(Error, "msi::getProperty", "MsiGetProductInfo(" + productCode + ", " + name + ") failed",
                  static_cast<std::int32_t>(status));
    }
    return value;
}

std::string tryGetProperty(const std::string& productCode, const std::string& name) {
    std::string value;
    return readProductInfo(productCode, name, value) == ERROR_SUCCESS ? value : std::string();
}

bool waitForInstallationCompletion(DWORD milliseconds) {
    constexpr const char* mutexName = "Global\\_MSIExecute";
    // Waiting successfully makes this thread the mutex's owner, so we must be able to
    // give it back at once: the installer service, and our own removal call that usually
    // follows, would otherwise wait for us.
    const AutoHandle mutex(OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, mutexName));
    if (!mutex) {
        const DWORD code = GetLastError();
        if (code != ERROR_FILE_NOT_FOUND) {
            LOG_WARNING("msi::waitForInstallationCompletion",
                        failedWith("OpenMutex(" + std::string(mutexName) + ")", code));
        }
        return true;
    }
    const DWORD result = WaitForSingleObject(mutex.get(), milliseconds);
    if (milliseconds != 0) {
        LOG_INFO("msi::waitForInstallationCompletion", "finish waiting for mutex: " << result);
    }
    if ((result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) && !ReleaseMutex(mutex.get())) {
        const DWORD code = GetLastError();
        LOG_WARNING("msi::waitForInstallationCompletion",
                    failedWith("ReleaseMutex(" + std::string(mutexName) + ")", code));
    }
    return result != WAIT_TIMEOUT;
}

}  // namespace msi

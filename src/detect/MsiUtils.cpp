#include "detect/MsiUtils.h"

#include <msi.h>

#include <vector>

#include "detect/MsiError.h"
#include "detect/MsiString.h"
#include "diag/ErrorText.h"
#include "diag/Logger.h"
#include "diag/VdsError.h"
#include "diag/tstrings.h"
#include "win/AutoHandle.h"

namespace msi {

namespace {

// A product code in registry form and its terminator.
constexpr std::size_t guidBufferLength = 39;

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

std::wstring tryGetWideProperty(const std::string& productCode, const std::string& name) {
    const std::wstring wideCode = tstrings::toUtf16(productCode, CP_ACP);
    const std::wstring wideName = tstrings::toUtf16(name, CP_ACP);
    std::vector<wchar_t> buffer(20);
    for (;;) {
        DWORD size = static_cast<DWORD>(buffer.size());
        const UINT status = MsiGetProductInfoW(wideCode.c_str(), wideName.c_str(), buffer.data(), &size);
        if (status == ERROR_MORE_DATA) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        return status == ERROR_SUCCESS ? std::wstring(buffer.data(), size) : std::wstring();
    }
}

UINT enumProducts(DWORD index, std::string& productCode) {
    char buffer[guidBufferLength] = {};
    const UINT status = MsiEnumProductsA(index, buffer);
    productCode = status == ERROR_SUCCESS ? buffer : "";
    return status;
}

UINT enumRelatedProducts(const std::string& upgradeCode, DWORD index, std::string& productCode) {
    char buffer[guidBufferLength] = {};
    const UINT status = MsiEnumRelatedProductsA(upgradeCode.c_str(), 0, index, buffer);
    productCode = status == ERROR_SUCCESS ? buffer : "";
    return status;
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

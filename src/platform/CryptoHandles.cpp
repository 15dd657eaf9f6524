#include "platform/CryptoHandles.h"

#include "diag/ErrorText.h"
#include "diag/Logger.h"
#include "diag/tstrings.h"
#include "win/HandleClose.h"

namespace {

void logReleaseFailure(const char* function, const char* call, DWORD code) noexcept {
    VDS_LOG_CLOSE_FAILURE(LogLevel::Error, function, failedWith(call, code));
}

}  // namespace

void closeHCRYPTPROV(HCRYPTPROV provider) noexcept {
    if (provider != 0 && !CryptReleaseContext(provider, 0)) {
        logReleaseFailure("closeHCRYPTPROV", "CryptReleaseContext", GetLastError());
    }
}

void closeHCRYPTHASH(HCRYPTHASH hash) noexcept {
    if (hash != 0 && !CryptDestroyHash(hash)) {
        logReleaseFailure("closeHCRYPTHASH", "CryptDestroyHash", GetLastError());
    }
}

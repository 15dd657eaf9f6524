#include "platform/CryptoHandles.h"

#include "diag/ErrorText.h"
#include "diag/Logger.h"
#include "diag/tstrings.h"

namespace {

void logReleaseFailure(const char* function, const char* call, DWORD code) noexcept {
    try {
        LOG_ERROR(function,
                  tstrings::unsafe_format("%s failed with %s", call, systemErrorText(code).c_str()));
    } catch (...) {
        // Nothing more can be reported about a handle that would not close.
    }
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

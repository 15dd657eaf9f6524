#include "platform/Crypto.h"

#include <stdexcept>

#include "diag/SysError.h"
#include "diag/VdsError.h"

namespace {

// No key container is ever created or opened: hashing needs none.
AutoCryptProvider acquire_RSA_AES_context() {
    AutoCryptProvider provider;
    if (!CryptAcquireContextA(provider.receive(), nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) {
        const DWORD code = GetLastError();
        VDS_THROW(SysError, "acquire_RSA_AES_context",
                  SysError("CryptAcquireContext() failed", CryptAcquireContextA, code));
    }
    return provider;
}

AutoCryptHash createHash(HCRYPTPROV provider, ALG_ID algorithm) {
    AutoCryptHash hash;
    if (!CryptCreateHash(provider, algorithm, 0, 0, hash.receive())) {
        const DWORD code = GetLastError();
        VDS_THROW(
            SysError, "createHash",
            SysError("CryptCreateHash(" + std::to_string(algorithm) + ") failed", CryptCreateHash, code));
    }
    return hash;
}

}  // namespace

HashBase createHash() {
    // A failure to create the hash releases the context with `provider`.
    AutoCryptProvider provider = acquire_RSA_AES_context();
    AutoCryptHash hash = createHash(provider.get(), CALG_SHA_256);
    return HashBase(std::move(provider), std::move(hash));
}

#include "platform/Crypto.h"

#include <stdexcept>

#include "diag/SysError.h"
#include "diag/VdsError.h"

namespace {

constexpr std::size_t checksumLength = 64;
constexpr const char* checksumAlphabet = "abcdef1234567890";

// No key container is ever created or opened: hashing needs none.
AutoCryptProvider acquire_RSA_AES_context() {
    AutoCryptProvider provider;
    if (!CryptAcquireContextA(provider.receive(), nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) {
        VDS_THROW(SysError, "acquire_RSA_AES_context",
                  SysError("CryptAcquireContext() failed", CryptAcquireContextA, GetLastError()));
    }
    return provider;
}

AutoCryptHash createHash(HCRYPTPROV provider, ALG_ID algorithm) {
    AutoCryptHash hash;
    if (!CryptCreateHash(provider, algorithm, 0, 0, hash.receive())) {
        VDS_THROW(SysError, "createHash",
                  SysError("CryptCreateHash(" + std::to_string(algorithm) + ") failed", CryptCreateHash,
                           GetLastError()));
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

const std::string& verifyChecksumString(const std::string& value, const std::string& hashName) {
    if (value.size() != checksumLength) {
        VDS_THROW(std::runtime_error, "verifyChecksumString",
                  "Unexpected length of " + value + " " + hashName + " hash string.");
    }
    if (value.find_first_not_of(checksumAlphabet) != std::string::npos) {
        VDS_THROW(std::runtime_error, "verifyChecksumString",
                  "Illegal character in " + value + " " + hashName + " hash string.");
    }
    return value;
}

std::string checkSha256String(const std::string& value) { return verifyChecksumString(value, "sha256"); }

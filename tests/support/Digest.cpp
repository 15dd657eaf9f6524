#include "support/Digest.h"

#include <windows.h>
// After windows.h, which it needs.
#include <wincrypt.h>

#include <cstdio>
#include <stdexcept>

namespace testsupport {
namespace {

class CryptoProvider {
public:
    explicit CryptoProvider(DWORD type) {
        if (!CryptAcquireContextA(&handle_, nullptr, nullptr, type, CRYPT_VERIFYCONTEXT)) {
            throw std::runtime_error("CryptAcquireContext failed with error " +
                                     std::to_string(GetLastError()));
        }
    }
    ~CryptoProvider() { CryptReleaseContext(handle_, 0); }
    CryptoProvider(const CryptoProvider&) = delete;
    CryptoProvider& operator=(const CryptoProvider&) = delete;
    HCRYPTPROV get() const { return handle_; }

private:
    HCRYPTPROV handle_ = 0;
};

class CryptoHash {
public:
    CryptoHash(const CryptoProvider& provider, ALG_ID algorithm) {
        if (!CryptCreateHash(provider.get(), algorithm, 0, 0, &handle_)) {
            throw std::runtime_error("CryptCreateHash failed with error " + std::to_string(GetLastError()));
        }
    }
    ~CryptoHash() { CryptDestroyHash(handle_); }
    CryptoHash(const CryptoHash&) = delete;
    CryptoHash& operator=(const CryptoHash&) = delete;
    HCRYPTHASH get() const { return handle_; }

private:
    HCRYPTHASH handle_ = 0;
};

std::string digestHex(DWORD providerType, ALG_ID algorithm, const std::string& data) {
    const CryptoProvider provider(providerType);
    const CryptoHash hash(provider, algorithm);
    BYTE digest[64];
    DWORD size = sizeof digest;
    if (!CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(data.data()),
                       static_cast<DWORD>(data.size()), 0) ||
        !CryptGetHashParam(hash.get(), HP_HASHVAL, digest, &size, 0)) {
        throw std::runtime_error("hashing failed with error " + std::to_string(GetLastError()));
    }
    std::string hex;
    for (DWORD i = 0; i < size; ++i) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", digest[i]);
        hex += pair;
    }
    return hex;
}

}  // namespace

std::string sha1Hex(const std::string& data) { return digestHex(PROV_RSA_FULL, CALG_SHA1, data); }

std::string sha256Hex(const std::string& data) { return digestHex(PROV_RSA_AES, CALG_SHA_256, data); }

}  // namespace testsupport

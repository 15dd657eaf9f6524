#include "platform/HashBase.h"

#include <fstream>
#include <iomanip>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "diag/SysError.h"
#include "diag/VdsError.h"
#include "platform/ChecksumString.h"

namespace {

// The most CryptHashData takes in one call.
constexpr std::uint64_t largestChunk = 0xFFFFFFFF;

void appendHashData(HCRYPTHASH hash, const unsigned char* data, std::uint64_t length) {
    const auto feed = [hash](const unsigned char* bytes, DWORD count) {
        if (!CryptHashData(hash, bytes, count, 0)) {
            const DWORD code = GetLastError();
            VDS_THROW(SysError, "appendHashData", SysError("CryptHashData() failed", CryptHashData, code));
        }
    };
    while (length > largestChunk) {
        feed(data, static_cast<DWORD>(largestChunk));
        data += largestChunk;
        length -= largestChunk;
    }
    feed(data, static_cast<DWORD>(length));
}

DWORD getHashValueSize(HCRYPTHASH hash) {
    DWORD size = 0;
    DWORD replyLength = sizeof size;
    if (!CryptGetHashParam(hash, HP_HASHSIZE, reinterpret_cast<BYTE*>(&size), &replyLength, 0)) {
        const DWORD code = GetLastError();
        VDS_THROW(SysError, "getHashValueSize",
                  SysError("CryptGetHashParam(HP_HASHSIZE) failed", CryptGetHashParam, code));
    }
    if (replyLength != sizeof size) {
        VDS_THROW(std::runtime_error, "getHashValueSize",
                  "Unexpected reply from CryptGetHashParam(HP_HASHSIZE). Expected: " +
                      std::to_string(sizeof size) + "; Actual: " + std::to_string(replyLength));
    }
    return size;
}

}  // namespace

HashBase::HashBase(AutoCryptProvider provider, AutoCryptHash hash)
    : provider_(std::move(provider)), hash_(std::move(hash)) {}

void HashBase::appendFile(const std::string& path) {
    std::ifstream file(path, std::ios::in | std::ios::binary);
    // Turned on after opening so that a file that did not open throws right here.
    file.exceptions(std::ios::failbit | std::ios::badbit);

    file.seekg(0, std::ios::end);
    const std::streamoff end = file.tellg();
    file.seekg(0, std::ios::beg);
    const auto size = static_cast<std::uint64_t>(end - file.tellg());

    std::vector<unsigned char> buffer(blockSize_);
    const std::uint64_t fullBlocks = size / blockSize_;
    const std::uint64_t rest = size % blockSize_;
    for (std::uint64_t block = 0; block < fullBlocks; ++block) {
        file.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(blockSize_));
        appendHashData(hash_.get(), buffer.data(), blockSize_);
    }
    buffer.resize(rest);
    if (rest != 0) {
        file.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(rest));
        appendHashData(hash_.get(), buffer.data(), rest);
    }
}

std::string HashBase::getStringValue() {
    std::vector<BYTE> value(getHashValueSize(hash_.get()));
    DWORD length = static_cast<DWORD>(value.size());
    if (!CryptGetHashParam(hash_.get(), HP_HASHVAL, value.data(), &length, 0)) {
        const DWORD code = GetLastError();
        VDS_THROW(SysError, "HashBase::getStringValue",
                  SysError("CryptGetHashParam(HP_HASHVAL) failed", CryptGetHashParam, code));
    }
    value.resize(length);

    std::ostringstream text;
    text << std::hex << std::setfill('0');
    for (const BYTE byte : value) {
        text << std::setw(2) << static_cast<unsigned>(byte);
    }
    return text.str();
}

std::string HashBase::getSha256StringValue() { return checkSha256String(getStringValue()); }

#pragma once

#include <cstdint>
#include <string>

#include "platform/CryptoHandles.h"

// A SHA-256 hash in the making: owns its provider context and its hash object and
// releases the hash first, the context second. Made by createHash(); movable, not
// copyable.
class HashBase {
public:
    // Files are read through one buffer of this size, whatever their length.
    static constexpr std::uint64_t readBlockSize = 0x100000;

    HashBase(AutoCryptProvider provider, AutoCryptHash hash);

    // Feeds the whole content of the file at `path` (ANSI) into the hash. A file that
    // cannot be opened or read throws the standard stream failure (std::ios_base::failure).
    void appendFile(const std::string& path);

    // The digest as lower-case hexadecimal, two digits per byte. Finishes the hash: feed
    // nothing more afterwards.
    std::string getStringValue();

    // getStringValue() checked as a SHA-256 checksum string.
    std::string getSha256StringValue();

private:
    // Declared in this order so that the hash object goes before its context.
    AutoCryptProvider provider_;
    AutoCryptHash hash_;
    std::uint64_t blockSize_ = readBlockSize;
};

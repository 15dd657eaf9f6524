#include "platform/ChecksumString.h"

#include <stdexcept>

#include "diag/VdsError.h"

namespace {

constexpr std::size_t checksumLength = 64;
constexpr const char* checksumAlphabet = "abcdef1234567890";

}  // namespace

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

#pragma once

#include <string>

// Checks of checksum strings: exactly 64 characters of "abcdef1234567890".

// `value` unchanged when it is a checksum string; otherwise throws
// VdsError<std::runtime_error> "Unexpected length of <value> <hashName> hash string." or
// "Illegal character in <value> <hashName> hash string.".
const std::string& verifyChecksumString(const std::string& value, const std::string& hashName);

// A copy of `value` after it passed verifyChecksumString with the name "sha256".
std::string checkSha256String(const std::string& value);

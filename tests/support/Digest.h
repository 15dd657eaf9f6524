#pragma once

#include <string>

namespace testsupport {

// Digests computed through the Windows crypto provider, independent of the program's own
// hashing code, as lower-case hexadecimal text; throw std::runtime_error when the provider
// fails.
std::string sha1Hex(const std::string& data);
std::string sha256Hex(const std::string& data);

}  // namespace testsupport

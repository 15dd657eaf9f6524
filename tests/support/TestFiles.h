#pragma once

#include <string>

namespace testsupport {

// Writes `content` to a new or existing file; throws std::runtime_error when it cannot.
void writeFileText(const std::string& path, const std::string& content);

// The whole content of a file, byte for byte; throws std::runtime_error when it cannot
// be read, so a missing file never passes for an empty one.
std::string readFileBytes(const std::string& path);

// Whether anything (file, folder, link) exists at `path`.
bool pathExists(const std::string& path);

// The Windows path that the build hands over in the environment variable `variable`;
// throws std::runtime_error when it is not set. The build speaks in Unix paths, which
// Wine shows on drive Z:.
std::string windowsPathFromEnvironment(const char* variable);

}  // namespace testsupport

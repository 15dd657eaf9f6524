#pragma once

#include <string>

namespace testsupport {

// Writes `content` to a new or existing file; throws std::runtime_error when it cannot.
void writeFileText(const std::string& path, const std::string& content);

// Whether anything (file, folder, link) exists at `path`.
bool pathExists(const std::string& path);

}  // namespace testsupport

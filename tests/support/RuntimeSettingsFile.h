#pragma once

#include <string>

namespace testsupport {

// The runtime settings file of this machine, below the 32-bit common program files folder
// (ANSI; the folder names are ASCII). Throws std::runtime_error when the folder is unknown.
std::string runtimeSettingsPath();

// Writes the runtime settings file, making its folders as needed.
void writeRuntimeSettings(const std::string& content);

}  // namespace testsupport

#pragma once

#include <string>
#include <vector>

// The entry names of a zip archive, in central-directory order. Throws
// std::runtime_error naming the file when it cannot be read or is not a zip archive.
std::vector<std::string> zipEntryNames(const std::string& path);

#pragma once

#include <string>

namespace testsupport {

// A shell link as IShellLinkA reads it back from its file.
struct LinkContents {
    std::string target;
    std::string arguments;
    std::string description;
    std::string icon;
    int iconIndex = -1;
};

// Loads the shell link `file` through IPersistFile::Load; throws std::runtime_error when
// it cannot be loaded.
LinkContents readLink(const std::string& file);

}  // namespace testsupport

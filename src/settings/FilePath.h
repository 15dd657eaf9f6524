#pragma once

#include <string>

namespace settings_impl {

// The canonical path of a settings file (PathRules.h) in the two forms the file calls
// need, UTF-8 and UTF-16. Only canonical paths can be made, so reading and writing
// never see a relative or unchecked name.
class FilePath {
public:
    // Checks `path` and makes it canonical; settings::Exception 310/311/312 (or 200 when
    // the current directory cannot be read) for a path that cannot be used.
    explicit FilePath(const std::string& path);

    const std::string& narrow() const { return narrow_; }
    const std::wstring& wide() const { return wide_; }

private:
    std::string narrow_;
    std::wstring wide_;
};

}  // namespace settings_impl

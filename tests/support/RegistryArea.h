#pragma once

#include <windows.h>

#include <string>

namespace testsupport {

// A new, empty registry key of its own, "Software\VeskTest-<unique>" below HKCU or HKLM
// (in the given view); the key is removed with its whole tree when the object goes away.
class RegistryArea {
public:
    explicit RegistryArea(HKEY root = HKEY_CURRENT_USER, REGSAM view = 0);
    ~RegistryArea();
    RegistryArea(const RegistryArea&) = delete;
    RegistryArea& operator=(const RegistryArea&) = delete;

    HKEY root() const { return root_; }
    REGSAM view() const { return view_; }
    // The key's path below the root, e.g. "Software\VeskTest-12-345-1".
    const std::string& subKey() const { return subKey_; }
    // The path of `name` below the key.
    std::string path(const std::string& name) const { return subKey_ + "\\" + name; }

private:
    HKEY root_;
    REGSAM view_;
    std::string subKey_;
};

}  // namespace testsupport

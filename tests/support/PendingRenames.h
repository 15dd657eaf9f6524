#pragma once

#include <string>
#include <vector>

namespace testsupport {

// One operation that Windows carries out at the next restart, as recorded in the
// registry value PendingFileRenameOperations under
// HKLM\SYSTEM\CurrentControlSet\Control\Session Manager.
struct PendingRename {
    std::string source;  // as recorded, e.g. "\??\C:\dir\file"
    std::string target;  // empty for a deletion; a leading '!' means "replace existing"

    friend bool operator==(const PendingRename&, const PendingRename&) = default;
};

// The operations recorded so far, in order (none when the value does not exist), read by
// the installer's own reader, with their paths in the ANSI code page.
std::vector<PendingRename> pendingRenames();

// The recorded form of a Win32 path: "\??\" + path.
std::string pendingPath(const std::string& path);

}  // namespace testsupport

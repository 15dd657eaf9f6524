#pragma once

#include <string>
#include <vector>

// The file operations that Windows carries out at its next restart, as recorded in the
// registry value PendingFileRenameOperations under
// HKLM\SYSTEM\CurrentControlSet\Control\Session Manager.
namespace PendingRenames {

// One recorded operation, its paths as recorded: "\??\C:\dir\file"; the target is empty
// for a deletion and begins with '!' when it replaces an existing file.
struct Operation {
    std::wstring source;
    std::wstring target;

    friend bool operator==(const Operation&, const Operation&) = default;
};

// The operations recorded so far, in the order Windows runs them; none when the value
// does not exist. A value that cannot be read throws VdsError<SysError>.
std::vector<Operation> read();

// Whether a recorded operation deletes, moves or replaces the file `path` (ANSI), so that
// what lies there now is not what lies there after the restart. Paths are compared
// ignoring case and the kind of separator.
bool isPendingAtRestart(const std::string& path);

}  // namespace PendingRenames

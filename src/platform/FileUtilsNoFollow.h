#pragma once

#include <string>

// Deletion of a file named by a program we do not control, for a process that may run as
// SYSTEM: only the plain file that the name itself gives is ever deleted.
namespace FileUtils {

// Deletes the file at `path` (UTF-16, as the name's owner gave it; texts show it in
// UTF-8) by a handle that is opened without following a link and checked before it
// deletes: the path must be fully qualified ("C:\...", "\\server\share\..."), name a
// plain file (no folder, no link) and reach it without passing through a link, since the
// file that the handle holds must be the one the path names. A read-only file loses that
// attribute first. Returns false when nothing exists at the path (nothing deleted).
// Throws VdsError<std::runtime_error> "Refused to delete [<path>]: <reason>" for a path
// that breaks a rule, and VdsError<SysError> when Windows refuses.
bool deleteFileNoFollow(const std::wstring& path);

}  // namespace FileUtils

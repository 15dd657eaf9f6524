#pragma once

#include <string>

// The install runs elevated and works in a machine-wide folder that other users may have
// prepared; it must never follow a link planted there to change or write something else.
namespace LinkGuard {

// Throws VdsError<std::runtime_error> naming `path` when it is a junction or symbolic
// link (a reparse point); a missing path passes.
void refuseReparsePoint(const std::string& path);

// The same for a file, which must also not be a hard link: writing it or setting its
// security would change every other name of the same file. A missing file passes.
void refuseLinkedFile(const std::string& path);

}  // namespace LinkGuard

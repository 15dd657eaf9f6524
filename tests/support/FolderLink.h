#pragma once

#include <windows.h>

#include <string>

namespace testsupport {

// Makes `link` a symbolic link to the folder `target`: with CreateSymbolicLinkA where
// Windows allows it, else under Wine as a Unix symbolic link (which Wine shows as a folder
// with the reparse-point attribute). Returns an empty string on success, or why no
// folder link could be made here.
std::string makeFolderLink(const std::string& link, const std::string& target);

// Whether a handle opened on the folder link `link` itself (FILE_FLAG_OPEN_REPARSE_POINT)
// shows it as a reparse point, as on Windows. Wine opens the folder that a Unix link
// points to and shows a plain folder.
bool handleShowsReparsePoint(const std::string& link);

// What the file system answers when this process makes a folder a junction, found by
// trying it (with a reparse buffer of the test's own) on two new folders below `folder`,
// which are removed again.
struct JunctionSupport {
    bool supported = false;
    DWORD error = 0;
};
JunctionSupport probeJunctions(const std::string& folder);

}  // namespace testsupport

#pragma once

#include <string>

// What installers that were ended (killed, or a machine that lost power) left in the
// patch cache: their working folders "<number>.tmp", and the temporary files of that name
// from which a working folder is made. Run under the install lock, when no other
// installer of this cache works; an entry that is still open anyway (an installer that
// took no lock, a patch tool still running) is logged and left for a later run.
namespace OrphanWorkFolders {

// Removes them from `cacheDir`; never follows a link (one is removed as a link). Failures
// are logged, never thrown.
void remove(const std::string& cacheDir);

}  // namespace OrphanWorkFolders

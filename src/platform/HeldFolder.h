#pragma once

#include <windows.h>

#include <string>

#include "platform/SecurityDescriptor.h"
#include "win/AutoHandle.h"

// An existing folder held open by this process for as long as the object lives. The
// handle shares reading and writing but not deletion, so no other process can rename or
// delete the folder meanwhile, and so none can rename a folder above it that is held as
// well: checks made on the held folder stay true while it is used. The folder is opened
// without following a link, and what was opened is checked by its handle.
class HeldFolder {
public:
    // Throws VdsError<SysError> "[<path>] cannot be held open" (a folder that someone else
    // has open for deletion gives a sharing violation) and VdsError<std::runtime_error>
    // when `path` is a link (reparse point) or no folder.
    explicit HeldFolder(std::string path);

    // Sets the owner and DACL of `descriptor` on the held folder.
    void secure(const security::SecurityDescriptor& descriptor) const;

    const std::string& path() const { return path_; }

private:
    std::string path_;
    AutoHandle handle_;
};

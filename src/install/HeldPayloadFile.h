#pragma once

#include <windows.h>

#include <string>

#include "win/AutoHandle.h"

// A payload file that ExtractFiles wrote, held open against writing and deletion by
// others for as long as the object lives, and checked, through the held handle, to hold
// exactly the bytes of the module's resource: a file swapped in after the write is
// refused, and none can be swapped in while it is held. Others may still read and run it.
class HeldPayloadFile {
public:
    // Throws VdsError<SysError> when `path` cannot be opened or read and
    // VdsError<std::runtime_error> when it is a link or its bytes differ from the resource.
    HeldPayloadFile(HMODULE module, WORD id, const std::string& path);

private:
    AutoHandle handle_;
};

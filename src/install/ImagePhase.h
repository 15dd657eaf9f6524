#pragma once

#include <windows.h>

#include <cstdint>

#include "detect/InstalledVesk.h"
#include "install/InstallResult.h"

// What the image phase hands on to the rest of InstallVRE.
struct ImagePhaseResult {
    std::int32_t code = InstallResult::success;  // a result code of InstallResult
    bool noPayload = false;                      // the module carries neither the patch nor the base image
};

// The first half of InstallVRE: puts the runtime image of `product` into its home
// directory. From the patch and tool that `module` carries and the base image (carried,
// or verified in the machine's patch cache) it rebuilds the new image, unzips it into
// home without the other architectures' bridge files, expands the packed archives and
// lets the new runtime build its class-data archive. A module without payload goes
// straight to the class-data run, the image being in place already. Reports progress
// operations 4, 5 and 6; leaves the process's current directory in the patch cache
// once it has patched. Failures of the progress channel or of starting the runtime's
// programs are not caught here. A `silent` run shows no box when writing the payload
// fails (the process ends with the Windows error code, as always).
ImagePhaseResult InstallVREImage(HMODULE module, const InstalledVesk& product, bool silent);

#pragma once

#include <windows.h>

#include <string>

// Writes the payload resources that `module` carries (RT_RCDATA 5 as "diff", 7 as
// "bspatch.exe", 6 as "baseimagefam8") into `directory`, replacing files of the same
// name; absent resources are skipped. True when everything present was written. A file
// that cannot be created, written or closed ends the process (fatalWin32Error, without
// a box when the run is `silent`).
bool ExtractFiles(HMODULE module, const std::string& directory, bool silent);

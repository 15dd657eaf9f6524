#pragma once

#include <string>

// The full path of this program's executable (GetModuleFileNameA of the process);
// throws VdsError<std::runtime_error> when Windows cannot tell it.
std::string getProcessModulePath();

// The file name of this program's executable, such as "installer.exe"; "Unknown" when
// it cannot be determined. Fixed on first use.
const std::string& processName();

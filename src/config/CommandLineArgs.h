#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

// The process command line as the configuration reads it.
namespace commandlineargs {

// The arguments of `commandLine` as CommandLineToArgvW splits it (argument 0, the
// program, included), each converted to UTF-8. Nothing when the split fails; `error`
// then holds the Windows error.
std::optional<std::vector<std::string>> splitToUtf8(const std::wstring& commandLine, DWORD& error);

}  // namespace commandlineargs

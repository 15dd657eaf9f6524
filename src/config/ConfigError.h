#pragma once

#include <windows.h>

#include <optional>
#include <string>

class ConfigSet;

// Tells the user what is wrong with the configuration: the message of a result code,
// written to the log and, unless silent, shown in a message box (caption: string 3073).
namespace configerror {

// The code that stands for rejected command-line arguments or a refused parameter.
inline constexpr int kRejectedParameter = 3090;

// The message for `code`; `detail` (UTF-8) names the file, key or arguments concerned.
// `set` is the set whose load failed: code 313 shows the first line its last load
// recorded. True only for code 0.
bool ShowConfigError(HMODULE module, const ConfigSet& set, int code, const std::string& detail, bool silent);

// Message 3079 for the file `detail` malformed in line `line` (from 0; none shows
// "<line number>"). Always false.
bool ShowMalformedLine(HMODULE module, const std::string& detail, std::optional<int> line, bool silent);

// Loads string `id`, puts the ANSI texts `first` and `second` in for its %s places,
// logs the message and, unless silent, shows it and waits for the user.
void ShowErrorMessage(HMODULE module, UINT id, bool silent, const std::string& first,
                      const std::string& second);

}  // namespace configerror

// The message box that ShowErrorMessage shows; tests replace it to read the box without a
// window.
extern decltype(&MessageBoxA) configErrorMessageBox;

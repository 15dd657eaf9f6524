#pragma once

#include <string>

#include "settings/FilePath.h"

// Writing a settings file in one piece.
namespace settings_impl::settings_file {

// The access rules of a new settings file: LocalSystem and Administrators full access,
// Everyone read, nothing inherited.
inline constexpr const char* kNewFileSddl = "D:(A;;FA;;;SY)(A;;FA;;;BA)(A;;FR;;;WD)";

// Writes `text` to `path`, creating its missing folders first (311 when one cannot be
// made). An existing file is rewritten in text mode, so every line feed is stored as
// CR LF and the old contents are cut off; a new file is created with the access rules
// above and gets the bytes unchanged. A short write is settings::Exception 306; a file
// that cannot be created, or rules that cannot be built, 200.
void write(const FilePath& path, const std::string& text);

}  // namespace settings_impl::settings_file

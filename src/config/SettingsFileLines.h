#pragma once

#include <optional>
#include <string>

#include "config/ConfigRules.h"

// Finds where in a settings file a key got its value, for a message that names the line
// of a value the installer refuses after the file itself loaded.
namespace settingsfilelines {

// The last line (from 0) of the file at `utf8Path` whose entry sets `key` (after key
// mapping); nothing when the file cannot be read or no line sets it.
std::optional<int> lastLineSetting(const ConfigRules& rules, const std::string& utf8Path,
                                   const std::string& key);

}  // namespace settingsfilelines

#pragma once

#include <cstdint>
#include <string>

struct Bundle;

// Finding the home directory of an installed product. Other installers write the values
// this reads, so each source accepts only an absolute path that the ANSI code page holds
// exactly; anything else is logged and the next source is tried.
namespace HomeDirDetection {

// The home directory of the product (ANSI, as found; empty when no source gives one):
// the product property "InstallLocation", else the folder above the product icon
// ("ProductIcon", else the uninstall key's "DisplayIcon") or the uninstall key's
// "Readme" that holds the product's programs, else the version key's "VeskHome".
// `bundle` is the product's type, bits and version as far as they are known.
std::string detectHomeDir(const std::string& productCode, const Bundle& bundle);

// The nearest folder at or above `path` that holds bin\vesk.exe (and, for a VDK,
// bin\veskc.exe), without a trailing separator; empty when there is none. Drive and share
// roots are never tried, nor folders (or bin folders) that are links. `type` is the
// tracked type: -100 and types above VDK find nothing.
std::string findHomeFromFile(const std::wstring& path, std::int32_t type);

}  // namespace HomeDirDetection

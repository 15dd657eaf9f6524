#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "zip/vzentry.h"

// General-purpose flag bit 11: the entry's name is UTF-8.
inline constexpr std::uint16_t utf8NameFlag = 0x0800;

// The entry's name as Windows will read it: UTF-8 when its flags say so, otherwise the
// ANSI code page, as the ...A calls take it. Empty when the bytes do not decode.
std::wstring decodedEntryName(const vzentry& entry);

// Whether a decoded entry name stays inside the folder it is extracted to: it is not
// empty, not absolute (no leading "/" or "\"), holds no zero character, no colon (drives
// such as "C:x", alternate data streams such as "a:stream") and no piece that climbs up
// (".." - also as Windows reads it with trailing dots and spaces dropped, such as "..."
// or ".. ") or names a device ("NUL", "con.txt", "COM1 .dll", "LPT²").
bool isSafeEntryName(std::wstring_view name);

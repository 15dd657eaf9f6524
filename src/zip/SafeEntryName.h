#pragma once

#include <string_view>

// Whether an entry name stays inside the folder it is extracted to: it is not empty, not
// absolute (no leading "/" or "\"), holds no zero byte, no colon (drives such as "C:x", alternate data
// streams such as "a:stream") and no piece that climbs up (".." - also as Windows reads
// it with trailing dots and spaces dropped, such as "..." or ".. ") or names a device
// ("NUL", "con.txt", "COM1 .dll").
bool isSafeEntryName(std::string_view name);

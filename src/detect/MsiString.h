#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace msi {

// Reads a string of unknown length from an installer call such as MsiGetProductInfoA or
// MsiRecordGetStringA: `call` gets a buffer and its size in characters and sets the size
// to the length of the value. The buffer starts at 20 characters and doubles while the
// call answers ERROR_MORE_DATA. Returns the call's last status; `value` is set only on
// success.
UINT readString(const std::function<UINT(char* buffer, DWORD* size)>& call, std::string& value);

}  // namespace msi

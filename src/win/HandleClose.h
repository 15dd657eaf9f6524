#pragma once

#include <windows.h>

// Closing of Windows handles for the wrappers that own them. A failed close is logged
// as an ERROR record and never thrown: it happens in destructors.

// Closes `handle` unless it is null or INVALID_HANDLE_VALUE.
void closeHANDLE(HANDLE handle) noexcept;

// Closes `key` unless it is null.
void closeRegHandle(HKEY key) noexcept;

#pragma once

#include <windows.h>

#include "diag/Logger.h"

// Closing of Windows handles for the wrappers that own them. A failed close is logged
// as an ERROR record and never thrown: it happens in destructors.

// Closes `handle` unless it is null or INVALID_HANDLE_VALUE.
void closeHANDLE(HANDLE handle) noexcept;

// Closes `key` unless it is null or one of the root keys that Windows predefines
// (HKEY_LOCAL_MACHINE, ...), which are never closed.
void closeRegHandle(HKEY key) noexcept;

// Logs a failed close from code that runs in destructors, like every close function of a
// handle owner: whatever building or writing the record throws is swallowed, since nothing
// more can be reported about a handle that would not close.
#define VDS_LOG_CLOSE_FAILURE(level, qualifiedFunction, streamed) \
    do {                                                          \
        try {                                                     \
            VDS_LOG(level, qualifiedFunction, streamed);          \
        } catch (...) {                                           \
        }                                                         \
    } while (false)

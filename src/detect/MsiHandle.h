#pragma once

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include "win/AutoHandle.h"

namespace msi {

// Closes an installer handle unless it is 0; a failure is logged as a WARNING.
void closeMSIHANDLE(MSIHANDLE handle) noexcept;

// Closes a database view (MsiViewClose) and then its handle, unless it is 0. A failed
// MsiViewClose is logged as a WARNING and the handle is closed all the same.
void closeDatabaseView(MSIHANDLE view) noexcept;

struct MsiHandleTraits {
    using Handle = MSIHANDLE;
    static bool valid(MSIHANDLE handle) { return handle != 0; }
    static void close(MSIHANDLE handle) { closeMSIHANDLE(handle); }
};

struct DatabaseViewTraits {
    using Handle = MSIHANDLE;
    static bool valid(MSIHANDLE view) { return view != 0; }
    static void close(MSIHANDLE view) { closeDatabaseView(view); }
};

// An installer handle (database, record) closed on scope exit.
using AutoMSIHANDLE = UniqueHandle<MsiHandleTraits>;

// A database view closed on scope exit.
using AutoDatabaseView = UniqueHandle<DatabaseViewTraits>;

}  // namespace msi

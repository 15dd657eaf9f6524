#include "win/LibrarySearch.h"

#include <windows.h>

#include "win/Dll.h"
#include "win/DllFunction.h"

void LibrarySearch::restrictToSystemFolder() {
    SetDllDirectoryA("");
    const Dll kernel32 = Dll::loaded(L"kernel32.dll");
    const DllFunction<decltype(SetDefaultDllDirectories)> setDefaultDllDirectories(
        kernel32, "SetDefaultDllDirectories");
    if (setDefaultDllDirectories.available()) {
        setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
}

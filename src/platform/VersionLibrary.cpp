// The version-resource functions this program calls, taken from the system folder's
// version.dll on first use instead of a static import: version.dll is not one of the
// libraries Windows always loads from the system folder, so a copy planted beside the
// installer would be loaded instead.

#include <windows.h>

#include "win/Dll.h"
#include "win/DllFunction.h"

namespace {

const Dll& versionLibrary() {
    static const Dll library = Dll::loadSystem("version.dll");
    return library;
}

}  // namespace

DWORD WINAPI GetFileVersionInfoSizeA(LPCSTR path, LPDWORD handle) {
    VESK_FORWARD_TO(versionLibrary(), GetFileVersionInfoSizeA)(path, handle);
}

WINBOOL WINAPI GetFileVersionInfoA(LPCSTR path, DWORD handle, DWORD size, LPVOID data) {
    VESK_FORWARD_TO(versionLibrary(), GetFileVersionInfoA)(path, handle, size, data);
}

WINBOOL WINAPI VerQueryValueW(LPCVOID block, LPCWSTR subBlock, LPVOID* buffer, PUINT length) {
    VESK_FORWARD_TO(versionLibrary(), VerQueryValueW)(block, subBlock, buffer, length);
}

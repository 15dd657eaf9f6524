// The Windows Installer functions this program calls. msi.dll is not one of the libraries
// that Windows always takes from the system folder, so a static import would let an
// msi.dll planted beside a downloaded installer run elevated. These definitions stand in
// for the import library: each function is looked up in the system folder's msi.dll on
// first use and called from there. A function missing here fails the link, not the run.

#include <windows.h>

#include <msi.h>
#include <msiquery.h>

#include "win/Dll.h"
#include "win/DllFunction.h"

namespace {

const Dll& msiLibrary() {
    static const Dll library = Dll::loadSystem("msi.dll");
    return library;
}

}  // namespace

UINT WINAPI MsiCloseHandle(MSIHANDLE handle) { VESK_FORWARD_TO(msiLibrary(), MsiCloseHandle)(handle); }

UINT WINAPI MsiConfigureProductExA(LPCSTR product, int installLevel, INSTALLSTATE state, LPCSTR commandLine) {
    VESK_FORWARD_TO(msiLibrary(), MsiConfigureProductExA)(product, installLevel, state, commandLine);
}

UINT WINAPI MsiDatabaseOpenViewA(MSIHANDLE database, LPCSTR query, MSIHANDLE* view) {
    VESK_FORWARD_TO(msiLibrary(), MsiDatabaseOpenViewA)(database, query, view);
}

UINT WINAPI MsiEnableLogA(DWORD logMode, LPCSTR logFile, DWORD logAttributes) {
    VESK_FORWARD_TO(msiLibrary(), MsiEnableLogA)(logMode, logFile, logAttributes);
}

UINT WINAPI MsiEnumProductsA(DWORD index, LPSTR product) {
    VESK_FORWARD_TO(msiLibrary(), MsiEnumProductsA)(index, product);
}

UINT WINAPI MsiEnumRelatedProductsA(LPCSTR upgradeCode, DWORD reserved, DWORD index, LPSTR product) {
    VESK_FORWARD_TO(msiLibrary(), MsiEnumRelatedProductsA)(upgradeCode, reserved, index, product);
}

UINT WINAPI MsiGetProductInfoA(LPCSTR product, LPCSTR attribute, LPSTR value, DWORD* valueSize) {
    VESK_FORWARD_TO(msiLibrary(), MsiGetProductInfoA)(product, attribute, value, valueSize);
}

UINT WINAPI MsiGetProductInfoW(LPCWSTR product, LPCWSTR attribute, LPWSTR value, DWORD* valueSize) {
    VESK_FORWARD_TO(msiLibrary(), MsiGetProductInfoW)(product, attribute, value, valueSize);
}

UINT WINAPI MsiOpenDatabaseA(LPCSTR path, LPCSTR persist, MSIHANDLE* database) {
    VESK_FORWARD_TO(msiLibrary(), MsiOpenDatabaseA)(path, persist, database);
}

UINT WINAPI MsiRecordGetFieldCount(MSIHANDLE record) {
    VESK_FORWARD_TO(msiLibrary(), MsiRecordGetFieldCount)(record);
}

UINT WINAPI MsiRecordGetStringA(MSIHANDLE record, UINT field, LPSTR value, DWORD* valueSize) {
    VESK_FORWARD_TO(msiLibrary(), MsiRecordGetStringA)(record, field, value, valueSize);
}

INSTALLUI_HANDLERW WINAPI MsiSetExternalUIW(INSTALLUI_HANDLERW handler, DWORD messageFilter, LPVOID context) {
    VESK_FORWARD_TO(msiLibrary(), MsiSetExternalUIW)(handler, messageFilter, context);
}

INSTALLUILEVEL WINAPI MsiSetInternalUI(INSTALLUILEVEL level, HWND* window) {
    VESK_FORWARD_TO(msiLibrary(), MsiSetInternalUI)(level, window);
}

UINT WINAPI MsiViewClose(MSIHANDLE view) { VESK_FORWARD_TO(msiLibrary(), MsiViewClose)(view); }

UINT WINAPI MsiViewExecute(MSIHANDLE view, MSIHANDLE record) {
    VESK_FORWARD_TO(msiLibrary(), MsiViewExecute)(view, record);
}

UINT WINAPI MsiViewFetch(MSIHANDLE view, MSIHANDLE* record) {
    VESK_FORWARD_TO(msiLibrary(), MsiViewFetch)(view, record);
}

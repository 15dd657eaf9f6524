#include "support/ShellProbe.h"

// intshcut.h needs the COM declarations of shlobj.h.
#include <shlobj.h>
#include <intshcut.h>

namespace testsupport {

HRESULT internetShortcutAsShellLink() {
    const HRESULT initialized = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IUniformResourceLocatorA* locator = nullptr;
    HRESULT result = CoCreateInstance(CLSID_InternetShortcut, nullptr, CLSCTX_ALL, IID_IUniformResourceLocatorA,
                                      reinterpret_cast<void**>(&locator));
    if (SUCCEEDED(result)) {
        IShellLinkA* link = nullptr;
        result = locator->QueryInterface(IID_IShellLinkA, reinterpret_cast<void**>(&link));
        if (link) {
            link->Release();
        }
        locator->Release();
    }
    if (SUCCEEDED(initialized)) {
        CoUninitialize();
    }
    return result;
}

}  // namespace testsupport

#include "integrate/Shortcut.h"

#include <intshcut.h>
#include <objbase.h>
#include <shlwapi.h>

#include <stdexcept>

#include "diag/ComError.h"
#include "diag/VdsError.h"
#include "diag/tstrings.h"
#include "platform/FileUtils.h"

namespace {

// Throws VdsError<ComError> "<call> failed" at `function` when `result` is a failure.
void check(HRESULT result, const char* function, const std::string& call) {
    if (FAILED(result)) {
        VDS_THROW(ComError, function, call + " failed", result);
    }
}

}  // namespace

void Shortcut::create() const {
    if (name.empty() || description.empty() || target.empty() || folder.empty()) {
        VDS_THROW(std::logic_error, "Shortcut::create", "Shortcut not configured properly");
    }
    const bool url = PathIsURLA(target.c_str()) != FALSE;
    const ComPtr<IShellLinkA> link = url ? createUrl() : createLink();
    const std::string file = FileUtils::join(folder, name + (!extension.empty() ? extension
                                                             : url              ? ".url"
                                                                                : ".lnk"));

    check(link->SetIconLocation(icon.c_str(), 0), "Shortcut::create",
          "IShellLink.SetIconLocation(" + icon + ")");
    check(link->SetDescription(description.c_str()), "Shortcut::create",
          "IShellLink.SetDescription(" + description + ")");
    ComPtr<IPersistFile> persist;
    check(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(persist.receive())),
          "Shortcut::create", "IUnknown.QueryInterface(IID_IPersistFile)");
    check(persist->Save(tstrings::toUtf16(file, CP_ACP).c_str(), TRUE), "Shortcut::create",
          "IPersistFilePtr.Save(" + file + ")");
}

ComPtr<IShellLinkA> Shortcut::createLink() const {
    ComPtr<IShellLinkA> link;
    check(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_ALL, IID_IShellLinkA,
                           reinterpret_cast<void**>(link.receive())),
          "Shortcut::createLink", "CoCreateInstance(CLSID_ShellLink, IID_IShellLink)");
    check(link->SetPath(target.c_str()), "Shortcut::createLink", "IShellLink.SetPath(" + target + ")");
    if (!arguments.empty()) {
        check(link->SetArguments(arguments.c_str()), "Shortcut::createLink",
              "IShellLink.SetArguments(" + arguments + ")");
    }
    return link;
}

ComPtr<IShellLinkA> Shortcut::createUrl() const {
    ComPtr<IUniformResourceLocatorA> locator;
    check(CoCreateInstance(CLSID_InternetShortcut, nullptr, CLSCTX_ALL, IID_IUniformResourceLocatorA,
                           reinterpret_cast<void**>(locator.receive())),
          "Shortcut::createUrl", "CoCreateInstance(CLSID_InternetShortcut, IID_IUniformResourceLocator)");
    check(locator->SetURL(target.c_str(), 0), "Shortcut::createUrl",
          "IUniformResourceLocator.SetURL(" + target + ", 0)");
    ComPtr<IShellLinkA> link;
    check(locator->QueryInterface(IID_IShellLinkA, reinterpret_cast<void**>(link.receive())),
          "Shortcut::createUrl", "IUniformResourceLocator.QueryInterface(IID_IShellLink)");
    return link;
}

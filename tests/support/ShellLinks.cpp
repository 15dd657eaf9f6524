#include "support/ShellLinks.h"

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <stdexcept>

#include "diag/ComOwners.h"
#include "diag/tstrings.h"
#include "win/ComInitializer.h"

namespace testsupport {

LinkContents readLink(const std::string& file) {
    const ComInitializer com;
    ComPtr<IShellLinkA> link;
    ComPtr<IPersistFile> persist;
    LinkContents contents;
    char text[MAX_PATH * 4] = {};
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_ALL, IID_IShellLinkA,
                                reinterpret_cast<void**>(link.receive()))) ||
        FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(persist.receive()))) ||
        FAILED(persist->Load(tstrings::toUtf16(file, CP_ACP).c_str(), STGM_READ))) {
        throw std::runtime_error("cannot load " + file);
    }
    link->GetPath(text, sizeof text, nullptr, 0);
    contents.target = text;
    link->GetArguments(text, sizeof text);
    contents.arguments = text;
    link->GetDescription(text, sizeof text);
    contents.description = text;
    link->GetIconLocation(text, sizeof text, &contents.iconIndex);
    contents.icon = text;
    return contents;
}

}  // namespace testsupport

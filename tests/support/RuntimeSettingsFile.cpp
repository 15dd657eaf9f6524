#include "support/RuntimeSettingsFile.h"

#include <windows.h>
// shlobj.h needs the declarations of windows.h.
#include <shlobj.h>

#include <stdexcept>

#include "support/TestFiles.h"

namespace testsupport {

std::string runtimeSettingsPath() {
    char folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES_COMMONX86, nullptr, 0, folder))) {
        throw std::runtime_error("SHGetFolderPathA(CSIDL_PROGRAM_FILES_COMMONX86) failed");
    }
    return std::string(folder) + "\\Veyra\\Vesk\\vesk.settings.cfg";
}

void writeRuntimeSettings(const std::string& content) {
    const std::string path = runtimeSettingsPath();
    const std::string vesk = path.substr(0, path.rfind('\\'));
    CreateDirectoryA(vesk.substr(0, vesk.rfind('\\')).c_str(), nullptr);
    CreateDirectoryA(vesk.c_str(), nullptr);
    writeFileText(path, content);
}

}  // namespace testsupport

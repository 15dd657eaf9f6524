#include "install/LinkGuard.h"

#include <windows.h>

#include <stdexcept>

#include "diag/SysError.h"

#include "diag/VdsError.h"
#include "platform/FileUtils.h"
#include "win/AutoHandle.h"

void LinkGuard::refuseReparsePoint(const std::string& path) {
    if (FileUtils::isReparsePoint(path)) {
        VDS_THROW(
            std::runtime_error, "InstallVRE",
            "[" + path +
                "] is a link (reparse point); the patch cache must not lead elsewhere, refusing to use it");
    }
}

void LinkGuard::refuseLinkedFile(const std::string& path) {
    refuseReparsePoint(path);
    const AutoHandle file(CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            return;
        }
        VDS_THROW(SysError, "InstallVRE", "[" + path + "] cannot be opened to count its links", CreateFileA,
                  error);
    }
    const BY_HANDLE_FILE_INFORMATION information = FileUtils::informationOf(file.get(), path);
    if (information.nNumberOfLinks > 1) {
        VDS_THROW(std::runtime_error, "InstallVRE",
                  "[" + path + "] is a hard link (" + std::to_string(information.nNumberOfLinks) +
                      " names); the patch cache must not lead elsewhere, refusing to use it");
    }
}

#include "install/StaleLaunchers.h"

#include <windows.h>

#include <string>
#include <vector>

#include "diag/CatchAndLog.h"
#include "diag/Logger.h"
#include "platform/CleanupList.h"
#include "platform/FileUtils.h"
#include "platform/SysInfo.h"
#include "platform/VersionResource.h"

namespace {

constexpr const char* function = "InstallVRE";

// The launcher and the first major version (or, one below it, the build) that marks a
// copy as stale.
struct Launcher {
    const char* name;
    unsigned staleMajor;
};

constexpr Launcher launchers[] = {{"vesk.exe", 9}, {"veskw.exe", 9}, {"veskws.exe", 12}};

bool isStale(const FileUtils::FileVersion& version, unsigned staleMajor) {
    return version.major >= staleMajor || (version.major >= staleMajor - 1 && version.build >= 20);
}

bool isFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::vector<std::string> systemFolders() {
    std::vector<std::string> folders{SysInfo::getSystemDirectory()};
    if (SysInfo::isNativeX64()) {
        folders.push_back(SysInfo::getSystemWow64Directory());
    }
    return folders;
}

void removeIfStale(const std::string& path, unsigned staleMajor) {
    try {
        const FileUtils::FileVersion version = FileUtils::fileVersion(path);
        if (isStale(version, staleMajor)) {
            FileUtils::deleteNowOrAtReboot(path);
        }
    }
    // A copy without a readable version is someone else's file, or damaged: keep it.
    VDS_CATCH_AND_LOG(function)
}

}  // namespace

void removeStaleLauncherCopies() {
    for (const std::string& folder : systemFolders()) {
        for (const Launcher& launcher : launchers) {
            const std::string path = FileUtils::join(folder, launcher.name);
            if (isFile(path)) {
                removeIfStale(path, launcher.staleMajor);
            }
        }
    }
}

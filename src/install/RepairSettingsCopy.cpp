#include "install/RepairSettingsCopy.h"

#include <windows.h>

#include "diag/ErrorText.h"
#include "diag/Logger.h"
#include "diag/SysError.h"
#include "diag/VdsError.h"
#include "diag/tstrings.h"
#include "platform/FileUtils.h"

namespace {

constexpr const char* function = "RepairSettingsCopy";
constexpr const char* copyName = "vesk.settings.cfg.repair";

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring folderOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L"\\/")); }

// Copies `from` to `to`; throws, as `qualifiedFunction`, `failure` with the system's reason.
void copyOrThrow(const std::wstring& from, const std::wstring& to, bool failIfExists, const char* qualifiedFunction,
                 const std::string& failure) {
    if (!CopyFileW(from.c_str(), to.c_str(), failIfExists)) {
        const DWORD code = GetLastError();
        VDS_THROW(SysError, qualifiedFunction, failure, CopyFileW, code);
    }
}

}  // namespace

RepairSettingsCopy::RepairSettingsCopy(const std::string& cacheDir, const std::string& settingsPath)
    : copyPath_(tstrings::toUtf16(FileUtils::join(cacheDir, copyName), CP_ACP)),
      settingsPath_(tstrings::toUtf16(settingsPath, CP_UTF8)),
      copyText_(tstrings::toUtf8(copyPath_)),
      settingsText_(settingsPath) {}

void RepairSettingsCopy::recover() const {
    if (!exists(copyPath_)) {
        return;
    }
    if (exists(settingsPath_)) {
        LOG_INFO(function, "The runtime settings file [" << settingsText_
                                                         << "] is in place; dropping the copy [" << copyText_
                                                         << "] that an earlier repair kept");
    } else {
        FileUtils::createDirs(folderOf(settingsPath_));
        // Never over a file that appeared meanwhile: that one is newer than the copy.
        copyOrThrow(copyPath_, settingsPath_, true, "RepairSettingsCopy::recover",
                    "Cannot restore the runtime settings file [" + settingsText_ + "] from [" + copyText_ + "]");
        LOG_INFO(function, "Restored the runtime settings file ["
                               << settingsText_ << "] from the copy [" << copyText_
                               << "] that an earlier repair kept: it was "
                                  "ended before it could write the file again");
    }
    discard();
}

void RepairSettingsCopy::keep() const {
    if (!exists(settingsPath_)) {
        return;
    }
    copyOrThrow(settingsPath_, copyPath_, false, "RepairSettingsCopy::keep",
                "Cannot keep a copy of the runtime settings file [" + settingsText_ + "] as [" + copyText_ + "]");
    LOG_INFO(function, "Kept a copy of the runtime settings file [" << settingsText_ << "] as [" << copyText_
                                                                    << "] while repair deletes it");
}

void RepairSettingsCopy::discard() const {
    if (DeleteFileW(copyPath_.c_str())) {
        LOG_TRACE(function, "Deleted [" << copyText_ << "]");
        return;
    }
    const DWORD code = GetLastError();
    if (code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND) {
        LOG_WARNING(function, "Cannot delete [" << copyText_ << "]: " << systemErrorText(code));
    }
}

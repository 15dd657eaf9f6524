#pragma once

#include <string>

// The copy of the runtime settings file that repair keeps in the secured patch cache
// ("vesk.settings.cfg.repair") while its uninstall pass deletes the file: a run that is
// ended before it writes the file again (killed, or an exception) leaves the copy, and
// the next run puts the user's settings back from it before it reads them.
class RepairSettingsCopy {
public:
    // `cacheDir`: the secured cache folder, held by the caller (ANSI); `settingsPath`: the
    // runtime settings file (UTF-8, as the settings library names it).
    RepairSettingsCopy(const std::string& cacheDir, const std::string& settingsPath);

    // When a copy is there: restores the settings file from it if the file is missing,
    // then deletes the copy; both logged. Throws VdsError<SysError> when the file cannot
    // be restored (the copy then stays for the next run).
    void recover() const;

    // Copies the settings file as it is now over the copy; nothing when there is no
    // settings file. Throws VdsError<SysError> when the copy cannot be made.
    void keep() const;

    // Deletes the copy once the settings file holds what it should; a failure is logged.
    void discard() const;

private:
    std::wstring copyPath_;
    std::wstring settingsPath_;
    std::string copyText_;      // the copy's path for texts (UTF-8)
    std::string settingsText_;  // the settings file's path for texts (UTF-8)
};

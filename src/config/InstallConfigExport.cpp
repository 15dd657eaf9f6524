// Deriving CMDLINE and the kept keys, and writing the runtime settings file back.
#include <algorithm>

#include "config/ConfigError.h"
#include "config/FileOpenProbe.h"
#include "config/InstallConfigData.h"
#include "diag/ErrorText.h"
#include "diag/Logger.h"
#include "diag/logit.h"
#include "diag/tstrings.h"

namespace {

// The settings library's code for a file that could not be removed.
constexpr int kRemoveFailed = 309;

}  // namespace

std::string InstallConfigData::BuildCmdLine(const ConfigSet& set) const {
    // The values stay UTF-8 like every other configuration text: CMDLINE is read back as
    // configuration, and a conversion to the ANSI code page would change characters it
    // lacks into others.
    std::string cmdLine;
    for (const ConfigParam& row : params) {
        if (!row.inCmdLine) {
            continue;
        }
        if (const std::optional<std::string> text = set.text(row.name)) {
            cmdLine += " " + row.name + "=\"" + *text + "\"";
        }
    }
    return cmdLine;
}

void InstallConfigData::NormalizeExport(ConfigSet& set) const {
    // Every key that is not kept goes, also those without a row (TEST_WELCOME_DIALOGMOS
    // from an install configuration file): the runtime settings file is shared by the
    // product family and keeps only the exported keys.
    for (const std::string& key : set.keys()) {
        const bool kept = std::any_of(params.begin(), params.end(), [&](const ConfigParam& row) {
            return row.exportToRuntime && row.name == key;
        });
        if (!kept) {
            set.remove(key);
        }
    }
}

std::string InstallConfigData::DumpConfig(const ConfigSet& set, const std::string& title) const {
    std::string dump = "|------" + title + "--------|\n\n";
    for (const ConfigParam& row : params) {
        if (const std::optional<std::string> text = set.text(row.name)) {
            dump += row.name + " = " + *text + "\n";
        } else if (set.isKeySet(row.name)) {
            dump += row.name + " = 1\n";
        }
    }
    return dump + "|-------------------------------------|\n";
}

int InstallConfigData::ExportConfigChanges() {
    logit("...Exporting config settings");
    if (backupConfig.equals(exportConfig)) {
        logit("Nothing new to export to runtime.");
        return 0;
    }
    if (!exportConfig.empty()) {
        return ExportConfigSettings(exportConfig, false);
    }
    CleanConfigSettings();
    return 0;
}

int InstallConfigData::RestoreConfigSettings() {
    logit("...Restoring config settings");
    if (backupConfig.equals(exportConfig) && !runtimeFileDeleted) {
        return 0;
    }
    if (!backupConfig.empty()) {
        return ExportConfigSettings(backupConfig, true);
    }
    CleanConfigSettings();
    return 0;
}

int InstallConfigData::RewriteConfigChanges() {
    if (!runtimeFileDeleted || exportConfig.empty()) {
        return 0;
    }
    logit("...Writing the kept config settings again: the runtime config file was deleted");
    const int result = ExportConfigSettings(exportConfig, false);
    runtimeFileDeleted = result != 0;
    return result;
}

int InstallConfigData::ExportConfigSettings(const ConfigSet& set, bool forceSilent) {
    logit("...Exporting config settings");
    if (set.empty()) {
        logit("Config is empty: don't do export");
        return 0;
    }
    logit("Writing to the runtime config file.");
    const int result = set.save();
    if (!configerror::ShowConfigError(module_, set, result, set.filePath(), silentNow(forceSilent))) {
        LOG_ERROR("InstallConfigData::ExportConfigSettings", "Fails on writing to the runtime config file.");
    }
    return result;
}

int InstallConfigData::CleanConfigSettings() {
    constexpr const char* kFunction = "InstallConfigData::CleanConfigSettings";
    LOG_TRACE(kFunction, "Removing runtime config file if exist...");
    const std::string& path = workingConfig.filePath();
    // The settings library names the file in UTF-8; its UTF-16 form is exact.
    if (DeleteFileW(tstrings::toUtf16(path, CP_UTF8).c_str())) {
        LOG_TRACE(kFunction, "Deleted [" << path << "] file");
        runtimeFileDeleted = true;
        return 0;
    }
    const DWORD error = GetLastError();
    if (fileopenprobe::isMissing(error)) {
        return 0;
    }
    LOG_ERROR(kFunction, "Cannot delete " << path << ": " << systemErrorText(error));
    return kRemoveFailed;
}

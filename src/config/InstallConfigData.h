#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "config/ConfigKeys.h"
#include "config/ConfigParam.h"
#include "config/ConfigRules.h"
#include "config/ConfigSet.h"

// The installer's one configuration object. It knows every configuration key, holds
// three configuration sets (what the installer reads, the runtime settings file as it
// was found, and what that file should hold after the install), fills them from the
// defaults, the runtime settings file, the install configuration file and the command
// line, tells the user what is wrong, and writes the runtime settings file back.
class InstallConfigData {
public:
    // Builds the key tables and loads the defaults; settings::Exception on failure.
    // `enterprise`: the installer runs as the enterprise variant.
    InstallConfigData(HMODULE module, bool enterprise);

    // Loads the built-in defaults into the working set, once.
    void InitConfig();

    // Accessors of the working set. The typed reads raise settings::Exception 303 when
    // the key is absent and 301 when it has no value of that type.
    bool IsKeySet(const std::string& key) const;
    bool IsEnabled(BoolKey key) const;
    bool IsKeyOn(BoolKey key) const;
    int GetInt(IntKey key) const;
    // The value as stored, UTF-8; a copy the caller owns.
    std::string GetString(StringKey key) const;
    // The value in the ANSI code page, for the ...A Windows functions. A value that the
    // code page cannot hold raises VdsError<std::runtime_error> naming the key: an
    // approximated path would name another folder.
    std::string GetStringValue(StringKey key) const;
    // "/s", "-download" or INSTALL_SILENT on: no message boxes.
    bool IsSilent() const;
    bool IsInstallerEnterprise() const;

    // Fills the three sets from the process command line; 0 or the failing step's code,
    // after the user has been told.
    int LoadConfigSettings(const std::wstring& commandLine);
    // Writes the kept keys to the runtime settings file when they changed; 0 or a code.
    int ExportConfigChanges();
    // Puts the runtime settings file back as it was found; 0 or a code. A file deleted
    // after the export (repair deletes it) is put back even when the export changed
    // nothing.
    int RestoreConfigSettings();
    // Deletes the runtime settings file; 0 when it is gone (or was never there), else 309.
    int CleanConfigSettings();
    // Writes the kept keys again when the runtime settings file was deleted after they
    // were exported (a repair that ends well keeps the user's choices); 0 or a code.
    int RewriteConfigChanges();

    // The sources, each into `set`. A message is silent when `forceSilent` is set or the
    // working set is silent at the moment it is shown.
    int ImportArgsConfigSettings(ConfigSet& set, const std::vector<std::string>& args, bool forceSilent);
    int ImportRuntimeConfigSettings(ConfigSet& set, bool forceSilent);
    int ImportInstallConfigSettings(ConfigSet& set, const std::string& path, bool forceSilent);
    int CheckParams(const ConfigSet& set, bool forceSilent);
    int ExportConfigSettings(const ConfigSet& set, bool forceSilent);
    // The set's keys in parameter order, framed by `title`, for the log.
    std::string DumpConfig(const ConfigSet& set, const std::string& title) const;

    const ConfigSet& workingSet() const { return workingConfig; }
    HMODULE module() const { return module_; }

private:
    // What loading one settings file gave: the code and, for 313, the line at fault.
    struct FileLoad {
        int result = 0;
        std::optional<int> errorLine;
    };

    int ImportAll(ConfigSet& set, const std::string& path, const std::vector<std::string>& args,
                  bool forceSilent);
    const ConfigParam* FindParam(const std::string& argument) const;
    int CheckParam(const ConfigParam& row, const std::string& text) const;
    std::string BuildCmdLine(const ConfigSet& set) const;
    void NormalizeExport(ConfigSet& set) const;

    // Loads the file through a set of its own and merges it only when all of it is good.
    FileLoad loadSettingsFile(ConfigSet& set, const std::string& path) const;
    // The runtime settings file, waiting briefly while another program writes it.
    FileLoad loadRuntimeFile(ConfigSet& set, const std::string& path, bool& absent) const;
    bool reportFileLoad(const FileLoad& load, const ConfigSet& set, const std::string& path,
                        bool forceSilent) const;
    // Why an argument can never be loaded; empty when it can.
    std::string argumentFault(const ConfigParam& param, const std::string& argument) const;
    // An inCmdLine key of `set` whose value holds a double quote.
    std::optional<std::string> quotedCmdLineKey(const ConfigSet& set) const;
    bool silentNow(bool forceSilent) const { return forceSilent || IsSilent(); }

    std::vector<ConfigParam> params;
    ConfigRules rules;
    ConfigSet workingConfig;
    ConfigSet exportConfig;
    ConfigSet backupConfig;
    bool defaultsLoaded = false;
    // CleanConfigSettings deleted the runtime settings file.
    bool runtimeFileDeleted = false;
    HMODULE module_;
    bool enterprise_;
    std::string logPath;
};

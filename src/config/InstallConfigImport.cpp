// Filling the three configuration sets: the command line, the runtime settings file, the
// install configuration file and the checks of the merged result.
#include <algorithm>

#include "config/CommandLineArgs.h"
#include "config/ConfigError.h"
#include "config/FileOpenProbe.h"
#include "config/InstallConfigData.h"
#include "config/SettingsFileLines.h"
#include "diag/ErrorText.h"
#include "diag/Logger.h"
#include "diag/TraceScope.h"
#include "diag/logit.h"
#include "diag/tstrings.h"
#include "settings/ResultCodes.h"
#include "win/AutoHandle.h"

namespace {

// Another program of the product family may be writing the runtime settings file; it
// is tried again for about two seconds before its open failure counts.
constexpr int kOpenAttempts = 20;
constexpr DWORD kOpenRetryMs = 100;

std::string quoted(const std::string& text) { return "\"" + text + "\";"; }

// The value part of an argument: the text after its first separator.
std::string argumentValue(const std::string& argument) {
    const std::string::size_type separator = argument.find_first_of("=:");
    return separator == std::string::npos ? std::string() : argument.substr(separator + 1);
}

}  // namespace

int InstallConfigData::LoadConfigSettings(const std::wstring& commandLine) {
    constexpr const char* kFunction = "InstallConfigData::LoadConfigSettings";
    std::vector<std::string> args;
    if (!commandLine.empty()) {
        DWORD error = 0;
        std::optional<std::vector<std::string>> split = commandlineargs::splitToUtf8(commandLine, error);
        if (!split) {
            LOG_ERROR(kFunction, failedWith("CommandLineToArgvW", error));
            return settings::kInternalError;
        }
        args = std::move(*split);
    }

    logit("-->Loading Important args...");
    int result = ImportArgsConfigSettings(workingConfig, args, false);
    if (result != 0) {
        LOG_ERROR(kFunction, "Error occurred while importing important args. Exiting installer.");
        return result;
    }
    logit(DumpConfig(workingConfig, "Important args config (TMP)"));

    std::string installConfigPath;
    if (IsKeySet("INSTALLCFG")) {
        installConfigPath = GetString(StringKey::INSTALLCFG);
        logit("Path to the install configuration file is set to " + installConfigPath);
    }

    logit("-->Loading Config...");
    result = ImportAll(workingConfig, installConfigPath, args, false);
    if (result != 0) {
        LOG_ERROR(kFunction, "Error occurred while importing configuration settings. Exiting installer.");
        return result;
    }

    logit("-->Saving backup...");
    result = ImportRuntimeConfigSettings(backupConfig, true);
    if (result != 0) {
        LOG_ERROR(kFunction, "Error occurred while importing runtime file for backup.Exiting installer.");
        return result;
    }
    logit(DumpConfig(backupConfig, "Config to backup"));

    logit("-->Loading export config...");
    result = ImportAll(exportConfig, installConfigPath, args, true);
    if (result != 0) {
        LOG_ERROR(kFunction,
                  "Error occurred while importing configuration files without defaults. Exiting installer.");
        return result;
    }

    logit("-->Adding CMDLINE to config...");
    const std::string cmdLine = BuildCmdLine(exportConfig);
    if (!cmdLine.empty()) {
        workingConfig.loadText(std::string(configkeys::name(StringKey::CMDLINE)) + "=" + cmdLine);
    }

    logit("-->Normalizing Export...");
    NormalizeExport(exportConfig);
    logit(DumpConfig(exportConfig, "Config to export"));
    logit(DumpConfig(workingConfig, "!!!!Working config!!!!"));
    return 0;
}

int InstallConfigData::ImportAll(ConfigSet& set, const std::string& path,
                                 const std::vector<std::string>& args, bool forceSilent) {
    int result = ImportRuntimeConfigSettings(set, forceSilent);
    if (result != 0) {
        return result;
    }
    if (!path.empty()) {
        result = ImportInstallConfigSettings(set, path, forceSilent);
        if (result != 0) {
            return result;
        }
    }
    result = ImportArgsConfigSettings(set, args, forceSilent);
    if (result != 0) {
        return result;
    }
    return CheckParams(set, forceSilent);
}

int InstallConfigData::ImportArgsConfigSettings(ConfigSet& set, const std::vector<std::string>& args,
                                                bool forceSilent) {
    constexpr const char* kFunction = "InstallConfigData::ImportArgsConfigSettings";
    TRACE_SCOPE(kFunction);
    logit("...Importing command line arguments");
    set.allowKeyOnly();
    if (args.size() < 2) {
        return 0;
    }

    std::string failures;
    std::string msiText;
    int result = 0;
    const auto fail = [&](const std::string& argument, int code) {
        failures += quoted(argument);
        result = code;
    };
    for (std::size_t index = 1; index < args.size(); ++index) {
        const std::string& argument = args[index];
        if (argument.empty()) {
            continue;
        }
        const ConfigParam* param = FindParam(argument);
        if (param == nullptr) {
            LOG_ERROR(kFunction, tstrings::unsafe_format("arg %s is not supported", argument.c_str()));
            fail(argument, settings::kParseErrors);
            continue;
        }
        if (param->msiPassThrough && param->name == "/l") {
            // The log path is the next argument, taken as it stands.
            if (index + 1 < args.size()) {
                logPath = args[++index];
            } else {
                LOG_ERROR(kFunction, tstrings::unsafe_format("arg %s is incorrect", argument.c_str()));
                fail(argument, settings::kParseErrors);
            }
            continue;
        }
        const std::string fault = argumentFault(*param, argument);
        if (!fault.empty()) {
            LOG_ERROR(kFunction,
                      tstrings::unsafe_format("arg %s is refused: %s", argument.c_str(), fault.c_str()));
            fail(argument, settings::kParseErrors);
            continue;
        }
        if (param->msiPassThrough) {
            msiText += " " + argument;
        }
        int code = set.loadText(param->nameOnly ? param->name : argument);
        if (code == 0 && !set.isKeySet(param->name)) {
            code = settings::kParseErrors;
        }
        if (code != 0) {
            LOG_ERROR(kFunction,
                      tstrings::unsafe_format("Loading arg %s failed with %d", argument.c_str(), code));
            fail(argument, code);
        }
    }

    if (!msiText.empty()) {
        logit("...adding MSICMDLINE to settingsConfig");
        set.loadText(std::string(configkeys::name(StringKey::MSI_CMDLINE)) + "=" + msiText);
    }
    if (result != 0) {
        configerror::ShowConfigError(module_, set, configerror::kRejectedParameter, failures,
                                     silentNow(forceSilent));
    }
    return result;
}

std::string InstallConfigData::argumentFault(const ConfigParam& param, const std::string& argument) const {
    // One argument is one settings line; a line break inside it would make several.
    if (argument.find_first_of("\r\n") != std::string::npos) {
        return "it holds a line break";
    }
    // CMDLINE quotes each value; a quote inside one would end it early.
    if (param.inCmdLine && argumentValue(argument).find('"') != std::string::npos) {
        return "the value holds a double quote";
    }
    return {};
}

const ConfigParam* InstallConfigData::FindParam(const std::string& argument) const {
    const std::string::size_type separator = argument.find_first_of("=:");
    const bool hasSeparator = separator != std::string::npos;
    const std::string name = tstrings::toLower(hasSeparator ? argument.substr(0, separator) : argument);
    const auto matches = [&](const ConfigParam& row) {
        if (hasSeparator == row.isSwitch()) {
            return false;
        }
        const std::string rowName = tstrings::toLower(row.name);
        return row.nameOnly ? name.compare(0, rowName.size(), rowName) == 0 : name == rowName;
    };
    const auto found = std::find_if(params.begin(), params.end(), matches);
    return found == params.end() ? nullptr : &*found;
}

int InstallConfigData::ImportRuntimeConfigSettings(ConfigSet& set, bool forceSilent) {
    constexpr const char* kFunction = "InstallConfigData::ImportRuntimeConfigSettings";
    logit("...Importing runtime configuration file...");
    const std::string& path = set.filePath();
    logit(tstrings::unsafe_format("Runtime config file path is %s", path.c_str()));

    bool absent = false;
    const FileLoad load = loadRuntimeFile(set, path, absent);
    if (absent) {
        logit("Runtime configuration file doesn't exist. It will be created later by settings_api.");
        return 0;
    }
    if (!reportFileLoad(load, set, path, forceSilent)) {
        LOG_ERROR(kFunction,
                  tstrings::unsafe_format("Runtime configuration file import failed with %d", load.result));
    }
    // The silent mode is chosen by each run itself, never kept from an earlier one.
    set.remove(configkeys::name(BoolKey::INSTALL_SILENT));
    return load.result;
}

InstallConfigData::FileLoad InstallConfigData::loadRuntimeFile(ConfigSet& set, const std::string& path,
                                                               bool& absent) const {
    constexpr const char* kFunction = "InstallConfigData::ImportRuntimeConfigSettings";
    for (int attempt = 1;; ++attempt) {
        const FileLoad load = loadSettingsFile(set, path);
        if (load.result != settings::kCannotOpen) {
            return load;
        }
        // Only a file that is not there is a first install; a file that is there but
        // cannot be read must never be taken for an empty one, or the export and the
        // restore would overwrite or delete the settings it holds.
        const DWORD error = fileopenprobe::readOpenError(path);
        if (fileopenprobe::isMissing(error)) {
            absent = true;
            return load;
        }
        if (!fileopenprobe::isTransient(error) || attempt == kOpenAttempts) {
            LOG_ERROR(kFunction, "Cannot open the runtime configuration file " << path << ": "
                                                                               << systemErrorText(error));
            return load;
        }
        Sleep(kOpenRetryMs);
    }
}

int InstallConfigData::ImportInstallConfigSettings(ConfigSet& set, const std::string& path,
                                                   bool forceSilent) {
    constexpr const char* kFunction = "InstallConfigData::ImportInstallConfigSettings";
    logit("...Importing Install Configuration file");
    const FileLoad load = loadSettingsFile(set, path);
    if (load.result == settings::kNullArgument) {
        LOG_WARNING(kFunction,
                    "Install Configuration file path is empty. Ignore it and continue installation.");
        return 0;
    }
    if (load.result != 0) {
        reportFileLoad(load, set, path, forceSilent);
        LOG_ERROR(kFunction,
                  tstrings::unsafe_format("Install Configuration file import failed with %d", load.result));
    }
    return load.result;
}

InstallConfigData::FileLoad InstallConfigData::loadSettingsFile(ConfigSet& set,
                                                                const std::string& path) const {
    ConfigSet file(rules);
    FileLoad load;
    load.result = file.loadFile(path);
    if (load.result == settings::kParseErrors) {
        load.errorLine = file.firstErrorLine();
    }
    if (load.result != 0) {
        return load;
    }
    if (const std::optional<std::string> key = quotedCmdLineKey(file)) {
        LOG_ERROR(
            "InstallConfigData::loadSettingsFile",
            "The value of " << *key << " in " << path << " holds a double quote, which CMDLINE cannot carry");
        load.result = settings::kParseErrors;
        load.errorLine = settingsfilelines::lastLineSetting(rules, path, *key);
        return load;
    }
    load.result = set.merge(file);
    return load;
}

bool InstallConfigData::reportFileLoad(const FileLoad& load, const ConfigSet& set, const std::string& path,
                                       bool forceSilent) const {
    if (load.result == settings::kParseErrors) {
        return configerror::ShowMalformedLine(module_, path, load.errorLine, silentNow(forceSilent));
    }
    return configerror::ShowConfigError(module_, set, load.result, path, silentNow(forceSilent));
}

std::optional<std::string> InstallConfigData::quotedCmdLineKey(const ConfigSet& set) const {
    for (const ConfigParam& row : params) {
        if (!row.inCmdLine) {
            continue;
        }
        const std::optional<std::string> text = set.text(row.name);
        if (text && text->find('"') != std::string::npos) {
            return row.name;
        }
    }
    return std::nullopt;
}

int InstallConfigData::CheckParams(const ConfigSet& set, bool forceSilent) {
    constexpr const char* kFunction = "InstallConfigData::CheckParams";
    TRACE_SCOPE(kFunction);
    for (const ConfigParam& row : params) {
        const std::optional<std::string> text = set.text(row.name);
        if (!text) {
            continue;
        }
        const int result = CheckParam(row, *text);
        if (!configerror::ShowConfigError(module_, set, result, quoted(row.name), silentNow(forceSilent))) {
            LOG_ERROR(kFunction,
                      tstrings::unsafe_format("CheckParams(%s) failed with %d", row.name.c_str(), result));
            return result;
        }
    }
    return 0;
}

int InstallConfigData::CheckParam(const ConfigParam& row, const std::string& text) const {
    constexpr const char* kFunction = "InstallConfigData::CheckParam";
    if (row.enterpriseOnly && !IsInstallerEnterprise()) {
        LOG_ERROR(kFunction, "The param is not supported.");
        return configerror::kRejectedParameter;
    }
    if (!row.checkReadable) {
        return 0;
    }
    LOG_TRACE(kFunction, "Checking if file is accessible for read...");
    // Opened by its UTF-16 name: the value is UTF-8 and may name a file that the ANSI
    // code page cannot spell.
    const AutoHandle file(CreateFileW(tstrings::toUtf16(text, CP_UTF8).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return settings::kReadFailed;
    }
    if (row.checkPlainText) {
        LOG_TRACE(kFunction, "Checking if file is a plain text...");
    }
    return 0;
}

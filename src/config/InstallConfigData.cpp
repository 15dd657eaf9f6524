#include "config/InstallConfigData.h"

#include <stdexcept>

#include "diag/Logger.h"
#include "diag/TraceScope.h"
#include "diag/VdsError.h"
#include "diag/tstrings.h"
#include "settings/Exception.h"

namespace {

constexpr const char* kDefaults =
    "INSTALL_SILENT=Disable\nSTATIC=Disable\nAUTO_UPDATE=Enable\nWEB_ANALYTICS=Enable\nEULA="
    "Disable\nSPONSORS=Enable\n";

// UTF-8 to the ANSI code page without best-fit look-alikes: a character the code page
// lacks is an error, never a different character.
std::string utf8ToAnsiExactly(const std::string& utf8, const char* key) {
    const std::wstring wide = tstrings::toUtf16(utf8, CP_UTF8);
    if (wide.empty() != utf8.empty()) {
        VDS_THROW(std::runtime_error, "InstallConfigData::GetStringValue",
                  std::string("The value of ") + key + " is not valid UTF-8");
    }
    std::string ansi;
    if (!tstrings::toAnsiExact(wide, ansi)) {
        VDS_THROW(std::runtime_error, "InstallConfigData::GetStringValue",
                  std::string("The value of ") + key + " (" + utf8 +
                      ") holds characters that the ANSI code page " + tstrings::toDecimal(GetACP()) +
                      " cannot represent");
    }
    return ansi;
}

}  // namespace

InstallConfigData::InstallConfigData(HMODULE module, bool enterprise)
    : params(configparams::table()),
      workingConfig(rules),
      exportConfig(rules),
      backupConfig(rules),
      module_(module),
      enterprise_(enterprise) {
    TRACE_SCOPE("InstallConfigData::InstallConfigData");
    InitConfig();
}

void InstallConfigData::InitConfig() {
    if (defaultsLoaded) {
        return;
    }
    const int result = workingConfig.loadText(kDefaults);
    if (result != 0) {
        throw settings::Exception(result, "loading the default configuration failed");
    }
    defaultsLoaded = true;
    LOG_INFO("InstallConfigData::InitConfig",
             tstrings::unsafe_format("Default config settings are: \n%s", kDefaults));
}

bool InstallConfigData::IsKeySet(const std::string& key) const { return workingConfig.isKeySet(key); }

bool InstallConfigData::IsEnabled(BoolKey key) const {
    return workingConfig.getInt(configkeys::name(key)) != 0;
}

bool InstallConfigData::IsKeyOn(BoolKey key) const {
    return IsKeySet(configkeys::name(key)) && IsEnabled(key);
}

int InstallConfigData::GetInt(IntKey key) const { return workingConfig.getInt(configkeys::name(key)); }

std::string InstallConfigData::GetString(StringKey key) const {
    return workingConfig.getString(configkeys::name(key));
}

std::string InstallConfigData::GetStringValue(StringKey key) const {
    return utf8ToAnsiExactly(GetString(key), configkeys::name(key));
}

bool InstallConfigData::IsSilent() const {
    return IsKeySet("/s") || IsKeySet("-download") || IsKeyOn(BoolKey::INSTALL_SILENT);
}

bool InstallConfigData::IsInstallerEnterprise() const {
    LOG_INFO("InstallConfigData::IsInstallerEnterprise",
             tstrings::unsafe_format("IsInstallerEnterprise is %d", enterprise_ ? 1 : 0));
    return enterprise_;
}

#include "integrate/DeployHints.h"

#include <array>
#include <sstream>
#include <stdexcept>

#include "diag/VdsError.h"
#include "diag/tstrings.h"

namespace DeployHints {

namespace {

constexpr std::array<const char*, 3> installTypeNames = {"INSTALL_TYPE_REGULAR", "INSTALL_TYPE_CONFIG",
                                                         "POST_INSTALL_OPERATION"};
constexpr std::array<const char*, 3> webVeskNames = {"DEFAULT_WEB_VESK", "ENABLE_WEB_VESK",
                                                     "DISABLE_WEB_VESK"};
constexpr std::array<const char*, 5> securityLevelNames = {"SECURITY_LEVEL_DEFAULT",
                                                           "SECURITY_LEVEL_VERYHIGH", "SECURITY_LEVEL_HIGH",
                                                           "SECURITY_LEVEL_MEDIUM", "SECURITY_LEVEL_LOW"};
constexpr std::array<const char*, 2> flagNames = {"IGNORE_PARAMETER_VALUE", "CHECK_PARAMETER_VALUE"};

constexpr std::int32_t enableWebVesk = 1;
constexpr std::int32_t disableWebVesk = 2;

// The name of `value` in `names`; its number when the table has none.
template <std::size_t count>
std::string nameOf(const std::array<const char*, count>& names, std::int32_t value) {
    if (value >= 0 && static_cast<std::size_t>(value) < count) {
        return names[static_cast<std::size_t>(value)];
    }
    return tstrings::toDecimal(value);
}

// Appends "; <label>=<name of value>" when the value differs from a fresh record's.
template <std::size_t count>
void describeChanged(std::ostringstream& text, const char* label, const std::array<const char*, count>& names,
                     std::int32_t value, std::int32_t fresh) {
    if (value != fresh) {
        text << "; " << label << "=" << nameOf(names, value);
    }
}

}  // namespace

InstallHints defaults() {
    InstallHints hints{};
    hints.size = sizeof(InstallHints);
    hints.version = InstallHints::currentVersion;
    return hints;
}

InstallHints fromConfig(const InstallConfigData& config) {
    InstallHints hints = defaults();
    if (config.IsKeySet(configkeys::name(IntKey::WEB_VESK_SECURITY_LEVEL))) {
        hints.securityLevel = securityLevel(config.GetInt(IntKey::WEB_VESK_SECURITY_LEVEL));
    }
    if (config.IsKeySet(configkeys::name(BoolKey::WEB_VESK))) {
        hints.webVesk = config.IsEnabled(BoolKey::WEB_VESK) ? enableWebVesk : disableWebVesk;
    }
    return hints;
}

std::int32_t securityLevel(int configValue) {
    // The configuration counts from low (1) up, the hints from very high (1) down.
    switch (configValue) {
        case 1:
            return 4;
        case 2:
            return 3;
        case 3:
            return 2;
        case 4:
            return 1;
        default:
            VDS_THROW(std::runtime_error, "Deploy::install",
                      "Unexpected value of WEB_VESK_SECURITY_LEVEL=" + tstrings::toDecimal(configValue));
    }
}

std::string describe(const InstallHints& hints) {
    const InstallHints fresh = defaults();
    std::ostringstream text;
    text << "InstallHints(size=" << hints.size << "; version=" << hints.version;
    describeChanged(text, "installType", installTypeNames, hints.installType, fresh.installType);
    describeChanged(text, "forceInstall", webVeskNames, hints.webVesk, fresh.webVesk);
    describeChanged(text, "securityLevel", securityLevelNames, hints.securityLevel, fresh.securityLevel);
    describeChanged(text, "userWebVeskStatus", flagNames, hints.userWebVeskStatus, fresh.userWebVeskStatus);
    describeChanged(text, "userPreviousDecisionsExist", flagNames, hints.userPreviousDecisionsExist,
                    fresh.userPreviousDecisionsExist);
    describeChanged(text, "clearUserPreviousDecisions", flagNames, hints.clearUserPreviousDecisions,
                    fresh.clearUserPreviousDecisions);
    describeChanged(text, "resetUserPreviousDecisions", flagNames, hints.resetUserPreviousDecisions,
                    fresh.resetUserPreviousDecisions);
    if (hints.daysOld != fresh.daysOld) {
        text << "; daysOld=" << hints.daysOld;
    }
    describeChanged(text, "systemConfig", flagNames, hints.systemConfig, fresh.systemConfig);
    if (hints.systemConfigParam != nullptr) {
        text << "; systemConfigParam=\"" << tstrings::toUtf8(hints.systemConfigParam) << "\"";
    }
    text << ")";
    return text.str();
}

}  // namespace DeployHints

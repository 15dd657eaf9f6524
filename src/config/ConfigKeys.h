#pragma once

// The typed configuration keys by the small index through which the installer reads
// them. The enumerators are the key names; "/lang" and the slash keys, which are no
// identifiers, are spelled without the slash.
enum class BoolKey {
    INSTALL_SILENT,
    STATIC,
    AUTO_UPDATE,
    SPONSORS,
    WEB_VESK,
    WEB_ANALYTICS,
    EULA,
    NO_VERIFY,
    REPAIRMODE,
    LAUNCHEDFROMVDK,
    REMOVEOUTOFDATEVRES,
    REMOVEOLDERVRES,
    FAMILYUPGRADE,
    RUNONCE,
    PIP,
    REINSTALL_NO_PROMPT,
    NOSTARTMENU,
    TEST_FINAL_DIALOG,
    TEST_PROGRESS_DIALOG,
    TEST_WELCOME_DIALOG,
    TEST_WELCOME_DIALOGMOS,
    TEST_CHANGE_DIALOG,
    TEST_SETUPERROR_DIALOG,
    TEST_ERRORHELP_DIALOG,
    TEST_RETRYSPLASH_DIALOG,
};

enum class IntKey {
    WEB_VESK_SECURITY_LEVEL,
    LANG,
    TEST_CONFIG_FILE_ERRORS,
};

enum class StringKey {
    INSTALLDIR,
    INSTALLCFG,
    INSTALLDIRPUBVRE,
    COUNTRYOVERRIDE,
    INSTALLURL,
    INSTALLMETHOD,
    SPONSORPREF,
    ADDLOCAL,
    REBOOT,
    USAGETRACKER_CFG,
    DEPLOYMENT_RULE_SET,
    MSI_CMDLINE,
    CMDLINE,
    ProductCode,
    BASEIMAGECHECKSUMSHA256,
};

namespace configkeys {

inline constexpr int kBoolKeyCount = 25;
inline constexpr int kIntKeyCount = 3;
inline constexpr int kStringKeyCount = 15;

// The key's name as it is stored in a configuration set ("/lang" for IntKey::LANG).
const char* name(BoolKey key);
const char* name(IntKey key);
const char* name(StringKey key);

}  // namespace configkeys

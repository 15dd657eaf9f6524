#include "config/ConfigKeys.h"

namespace configkeys {

namespace {

constexpr const char* kBoolNames[kBoolKeyCount] = {
    "INSTALL_SILENT",
    "STATIC",
    "AUTO_UPDATE",
    "SPONSORS",
    "WEB_VESK",
    "WEB_ANALYTICS",
    "EULA",
    "NO_VERIFY",
    "REPAIRMODE",
    "LAUNCHEDFROMVDK",
    "REMOVEOUTOFDATEVRES",
    "REMOVEOLDERVRES",
    "FAMILYUPGRADE",
    "RUNONCE",
    "PIP",
    "REINSTALL_NO_PROMPT",
    "NOSTARTMENU",
    "TEST_FINAL_DIALOG",
    "TEST_PROGRESS_DIALOG",
    "TEST_WELCOME_DIALOG",
    "TEST_WELCOME_DIALOGMOS",
    "TEST_CHANGE_DIALOG",
    "TEST_SETUPERROR_DIALOG",
    "TEST_ERRORHELP_DIALOG",
    "TEST_RETRYSPLASH_DIALOG",
};

constexpr const char* kIntNames[kIntKeyCount] = {
    "WEB_VESK_SECURITY_LEVEL",
    "/lang",
    "TEST_CONFIG_FILE_ERRORS",
};

constexpr const char* kStringNames[kStringKeyCount] = {
    "INSTALLDIR",          "INSTALLCFG",  "/INSTALLDIRPUBVRE", "COUNTRYOVERRIDE", "/installurl",
    "/installmethod",      "SPONSORPREF", "ADDLOCAL",          "REBOOT",          "USAGETRACKER_CFG",
    "DEPLOYMENT_RULE_SET", "MSI_CMDLINE", "CMDLINE",           "ProductCode",     "BASEIMAGECHECKSUMSHA256",
};

}  // namespace

const char* name(BoolKey key) { return kBoolNames[static_cast<int>(key)]; }
const char* name(IntKey key) { return kIntNames[static_cast<int>(key)]; }
const char* name(StringKey key) { return kStringNames[static_cast<int>(key)]; }

}  // namespace configkeys

#include "config/ConfigParam.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<const char*, 6> kSwitches = {"/s", "/h", "-download", "-no_override", "/q", "/l"};

enum Flag : unsigned {
    None = 0,
    Export = 1u << 0,
    CmdLine = 1u << 1,
    MsiPass = 1u << 2,
    NameOnly = 1u << 3,
    Readable = 1u << 4,
    PlainText = 1u << 5,
    Enterprise = 1u << 6,
};

ConfigParam row(const char* name, unsigned flags) {
    ConfigParam param;
    param.name = name;
    param.exportToRuntime = (flags & Export) != 0;
    param.inCmdLine = (flags & CmdLine) != 0;
    param.msiPassThrough = (flags & MsiPass) != 0;
    param.nameOnly = (flags & NameOnly) != 0;
    param.checkReadable = (flags & Readable) != 0;
    param.checkPlainText = (flags & PlainText) != 0;
    param.enterpriseOnly = (flags & Enterprise) != 0;
    return param;
}

}  // namespace

bool ConfigParam::isSwitch() const {
    return std::find(kSwitches.begin(), kSwitches.end(), name) != kSwitches.end();
}

namespace configparams {

const std::vector<ConfigParam>& table() {
    static const std::vector<ConfigParam> params = {
        row("INSTALL_SILENT", CmdLine),
        row("STATIC", CmdLine),
        row("AUTO_UPDATE", Export | CmdLine),
        row("SPONSORS", Export | CmdLine),
        row("WEB_VESK", CmdLine),
        row("WEB_ANALYTICS", Export | CmdLine),
        row("EULA", Export | CmdLine),
        row("NO_VERIFY", None),
        row("REPAIRMODE", CmdLine),
        row("LAUNCHEDFROMVDK", None),
        row("REMOVEOUTOFDATEVRES", None),
        row("REMOVEOLDERVRES", MsiPass),
        row("FAMILYUPGRADE", None),
        row("RUNONCE", None),
        row("PIP", CmdLine),
        row("REINSTALL_NO_PROMPT", CmdLine),
        row("TEST_FINAL_DIALOG", None),
        row("TEST_PROGRESS_DIALOG", None),
        row("TEST_WELCOME_DIALOG", None),
        row("TEST_CHANGE_DIALOG", None),
        row("TEST_SETUPERROR_DIALOG", None),
        row("TEST_ERRORHELP_DIALOG", None),
        row("TEST_RETRYSPLASH_DIALOG", None),
        row("NOSTARTMENU", Export | CmdLine),
        row("INSTALLDIR", CmdLine),
        row("/INSTALLDIRPUBVRE", CmdLine),
        row("INSTALLCFG", CmdLine),
        row("ProductCode", CmdLine),
        row("BASEIMAGECHECKSUMSHA256", CmdLine),
        row("COUNTRYOVERRIDE", None),
        row("/installurl", None),
        row("/installmethod", CmdLine),
        row("SPONSORPREF", None),
        row("ADDLOCAL", MsiPass),
        row("REBOOT", MsiPass),
        row("USAGETRACKER_CFG", CmdLine | Readable | PlainText | Enterprise),
        row("DEPLOYMENT_RULE_SET", CmdLine | Readable | Enterprise),
        row("MSI_CMDLINE", None),
        row("CMDLINE", None),
        row("WEB_VESK_SECURITY_LEVEL", CmdLine),
        row("/lang", None),
        row("TEST_CONFIG_FILE_ERRORS", None),
        row("/s", None),
        row("/h", None),
        row("-download", None),
        row("-no_override", None),
        row("/q", MsiPass | NameOnly),
        row("/l", MsiPass | NameOnly),
    };
    return params;
}

}  // namespace configparams

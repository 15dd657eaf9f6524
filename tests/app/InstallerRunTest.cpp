#include "app/InstallerRun.h"

#include "diag/Logger.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// What one scripted run of the entry's steps does.
struct Script {
    int lockResult = 0;
    int loadResult = 0;
    bool testHook = false;
    int testHookCode = 0;
    int exportResult = 0;
    bool selectThrowsStd = false;
    bool repair = false;
    bool uninstallSucceeds = true;
    int installResult = 0;
    bool installThrowsOther = false;
    bool restoreThrows = false;
};

class ScriptedSteps final : public InstallerSteps {
public:
    explicit ScriptedSteps(const Script& script) : script_(script) {}

    std::vector<std::string> calls;
    std::wstring commandLine;
    int shownCode = -1;

    void createConfiguration() override { calls.push_back("create"); }
    int lockInstall() override {
        calls.push_back("lock");
        return script_.lockResult;
    }
    void recoverEndedRuns() override { calls.push_back("recover"); }
    int loadConfigSettings(const std::wstring& line) override {
        calls.push_back("load");
        commandLine = line;
        return script_.loadResult;
    }
    bool isConfigErrorTestRequested() override { return script_.testHook; }
    int configErrorTestCode() override { return script_.testHookCode; }
    void showConfigError(int code) override {
        calls.push_back("show");
        shownCode = code;
    }
    int exportConfigChanges() override {
        calls.push_back("export");
        return script_.exportResult;
    }
    void selectCurrentProduct() override {
        calls.push_back("select");
        if (script_.selectThrowsStd)
            throw std::runtime_error(
                "No matching Vesk found for {X} Product Code in the given products range");
    }
    bool isRepairMode() override { return script_.repair; }
    bool uninstallCurrentProduct() override {
        calls.push_back("uninstall");
        return script_.uninstallSucceeds;
    }
    int installCurrentProduct() override {
        calls.push_back("install");
        if (script_.installThrowsOther) throw 42;
        return script_.installResult;
    }
    void restoreConfigSettings() override {
        calls.push_back("restore");
        if (script_.restoreThrows) throw std::runtime_error("the runtime settings file is held");
    }

private:
    Script script_;
};

std::string readLog() {
    std::ifstream in(Logger::instance().path());  // text mode: the log may end lines with CR LF
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct EntryCase {
    const char* name;
    Script script;
    int exitCode;
    std::vector<std::string> calls;
    const char* errorLine;  // the ERROR record the run must write, or null for none
};

class EntryExitCodes : public testing::TestWithParam<EntryCase> {
protected:
    void SetUp() override { DeleteFileA(Logger::instance().path().c_str()); }
};

TEST_P(EntryExitCodes, MapsEachOutcomeToItsExitCodeAndLogLine) {
    const EntryCase& c = GetParam();
    ScriptedSteps steps(c.script);

    EXPECT_EQ(installer::run(steps, L"installer.exe ProductCode={X}"), c.exitCode);
    EXPECT_EQ(steps.calls, c.calls);
    // A run that never gets the lock never reads its configuration.
    EXPECT_EQ(steps.commandLine, c.script.lockResult == 0 ? L"installer.exe ProductCode={X}" : L"");

    const std::string log = readLog();
    EXPECT_NE(log.find("\tTRACE: Entered installer.exe WinMain.\n"), std::string::npos) << log;
    if (c.errorLine) {
        EXPECT_NE(log.find(std::string("\tERROR: ") + c.errorLine + "\n"), std::string::npos) << log;
    } else {
        EXPECT_EQ(log.find("\tERROR: "), std::string::npos) << log;
    }
}

const std::vector<std::string> kAllUpToInstall{"create", "lock",   "recover", "load",
                                               "export", "select", "install"};

INSTANTIATE_TEST_SUITE_P(
    Entry, EntryExitCodes,
    testing::Values(
        EntryCase{"installSucceeds", Script{}, 0, kAllUpToInstall, nullptr},
        EntryCase{"anotherInstallerKeepsTheLock",
                  Script{.lockResult = 610017},
                  610017,
                  {"create", "lock"},
                  "The install lock is not taken. Exiting installer."},
        EntryCase{"cacheForTheLockCannotBeHeld",
                  Script{.lockResult = 61000},
                  61000,
                  {"create", "lock"},
                  "The install lock is not taken. Exiting installer."},
        EntryCase{"loadFails",
                  Script{.loadResult = 3081},
                  61015,
                  {"create", "lock", "recover", "load"},
                  "Error occurred while loading configuration settings. Exiting installer."},
        EntryCase{"testHookWithCodeZero",
                  Script{.testHook = true, .testHookCode = 0},
                  0,
                  {"create", "lock", "recover", "load", "show"},
                  nullptr},
        EntryCase{"exportFails",
                  Script{.exportResult = 5},
                  61016,
                  {"create", "lock", "recover", "load", "export"},
                  "Error occurred while exporting configuration settings. Exiting installer."},
        EntryCase{"noMatchingProduct",
                  Script{.selectThrowsStd = true},
                  610017,
                  {"create", "lock", "recover", "load", "export", "select"},
                  "Exception with message 'No matching Vesk found for {X} Product Code in the given "
                  "products range' caught"},
        EntryCase{"repairUninstallFails",
                  Script{.repair = true, .uninstallSucceeds = false},
                  610017,
                  {"create", "lock", "recover", "load", "export", "select", "uninstall"},
                  "UninstallVRE failed during repair"},
        EntryCase{"repairSucceeds",
                  Script{.repair = true},
                  0,
                  {"create", "lock", "recover", "load", "export", "select", "uninstall", "install"},
                  nullptr},
        EntryCase{"installFailsAndRestores",
                  Script{.installResult = 61001},
                  61001,
                  {"create", "lock", "recover", "load", "export", "select", "install", "restore"},
                  "Install Error: 61001"},
        EntryCase{"failedRestoreKeepsTheInstallCode",
                  Script{.installResult = 61001, .restoreThrows = true},
                  61001,
                  {"create", "lock", "recover", "load", "export", "select", "install", "restore"},
                  "Exception with message 'the runtime settings file is held' caught"},
        EntryCase{"unknownExceptionDoesNotRestore", Script{.installThrowsOther = true}, 610017,
                  kAllUpToInstall, "Unknown exception caught"}),
    [](const testing::TestParamInfo<EntryCase>& info) { return std::string(info.param.name); });

TEST(EntryTestHook, ShowsTheConfiguredCodeAndLogsIt) {
    DeleteFileA(Logger::instance().path().c_str());
    ScriptedSteps steps(Script{.testHook = true, .testHookCode = 3077});

    EXPECT_EQ(installer::run(steps, L"installer.exe"), 0);
    EXPECT_EQ(steps.shownCode, 3077);
    const std::string log = readLog();
    EXPECT_NE(log.find("\tTRACE: TEST_CONFIG_FILE_ERRORS enabled.\n"), std::string::npos) << log;
    EXPECT_NE(log.find("\tTRACE: Show error 3077\n"), std::string::npos) << log;
}

TEST(EntryRepairMode, LogsTheRepairModeBeforeUninstalling) {
    DeleteFileA(Logger::instance().path().c_str());
    ScriptedSteps steps(Script{.repair = true});

    installer::run(steps, L"installer.exe");
    const std::string log = readLog();
    EXPECT_NE(log.find("\tTRACE: -- running in repair mode.\n"), std::string::npos) << log;
}

}  // namespace

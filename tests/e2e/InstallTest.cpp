// installer.exe end to end, the way a deployment tool runs it: Windows Installer lists
// the testbed runtime product, the patch cache holds its base image, and installer.exe
// runs as a child with the product code while progress-watch plays the progress display.
// The test reads the full exit code, the product's home, the registry, the runtime
// settings file, the deployment library's record of its calls and the log. Each scenario
// runs in a Wine prefix of its own.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "InstallRun.h"
#include "InstallScene.h"
#include "IntegrationState.h"
#include "support/TempFolder.h"
#include "support/RuntimeSettingsFile.h"
#include "support/TestFiles.h"

using namespace e2e;

namespace {

using testsupport::runtimeSettingsPath;
using testsupport::writeRuntimeSettings;

// How the setup manager integrates the product (and the later 1.8.0 update of the repair
// cases); built from the constant record, not from `home`, whose initialisation in another
// file may come later.
const IntegratedRuntime integratedProduct{product.installLocation, true, ".url"};

class Install : public PackagedProduct {};

TEST_F(Install, FullInstall) {
    const ChildRun run = install();

    ASSERT_EQ(run.code, 0u) << testing::PrintToString(run.log);
    EXPECT_EQ(unexpectedErrors(run), std::vector<std::string>{});
    expectHome(home, imageFiles(inputs.newImageList), {classDataArchive, deployCallLog});
    EXPECT_EQ(entriesIn(cacheDir()), std::set<std::string>{"baseimagefam8"});

    expectCurrentVre(home);
    expectIntegrationOf(integratedProduct);
    EXPECT_EQ(machineString(vreRoot + "\\1.8", "VeskHome"), home);
    EXPECT_EQ(machineString(vreRoot + "\\1.8", "MicroVersion"), "0");
    EXPECT_EQ(readString(HKEY_LOCAL_MACHINE, 0, "Software\\VreMetrics", "RegDeployStatus"), "0");
    EXPECT_EQ(machineString(versionKey + "\\MSI", "MODE"), "C");
    EXPECT_EQ(machineDword(versionKey, "Eula"), std::nullopt);

    const std::vector<std::string> calls = deployCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_TRUE(contains(calls[0], "RegisterDeployEx size=56 version=4 reserved=0 webVesk=0 securityLevel=0 "
                                   "installType=0"))
        << calls[0];
    EXPECT_TRUE(contains(calls[0], "commands.maxCmds=20 commands.cmdCnt=0")) << calls[0];

    expectProgress(run, {4, 5, 6, 7}, {4, 5, 6, 7});

    // The log tells the run as one story, in this order.
    const std::vector<std::string> milestones = {
        "TRACE Entered installer.exe WinMain.",
        "TRACE -- InstallVRE() begin",
        "TRACE -- Cached baseimage present and checksum correct.  Proceed.",
        "TRACE InstallVesk(1.8.0_321-b07)",
        "INFO ** End WINAPI CleanupTempFiles **",
        "TRACE -- Calling RegisterDeploy().",
        "TRACE RegisterDeploy returned: 0",
    };
    auto position = run.log.begin();
    for (const std::string& milestone : milestones) {
        position = std::find(position, run.log.end(), milestone);
        ASSERT_NE(position, run.log.end()) << "missing or out of order: " << milestone;
    }
}

// The configuration's hints reach the deployment library, and the marks follow a
// successful registration.
TEST_F(Install, HintsAndMarks) {
    const ChildRun run =
        install({"STATIC=Enable", "EULA=Enable", "WEB_VESK=Disable", "WEB_VESK_SECURITY_LEVEL=VH"});

    ASSERT_EQ(run.code, 0u) << testing::PrintToString(run.log);
    const std::vector<std::string> calls = deployCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_TRUE(contains(calls[0], "webVesk=2 securityLevel=1 installType=0")) << calls[0];
    EXPECT_EQ(machineString(versionKey + "\\MSI", "MODE"), "S");
    EXPECT_EQ(machineDword(versionKey, "Eula"), 1u);
    EXPECT_EQ(readString(HKEY_LOCAL_MACHINE, 0, "Software\\VreMetrics", "RegDeployStatus"), "0");
}

TEST_F(Install, RegistrationReturningFalse) {
    writeRuntimeSettings("AUTO_UPDATE=Enable\r\n");
    CreateDirectoryA(join(home, "bin").c_str(), nullptr);
    testsupport::writeFileText(join(home, deployBehaviour), "result FALSE\n");

    const ChildRun run = install({"STATIC=Enable", "EULA=Enable", "AUTO_UPDATE=Disable"});

    EXPECT_EQ(run.code, 61014u);
    EXPECT_TRUE(logged(run, "ERROR -- Exec: RegisterDeploy() failed."));
    EXPECT_TRUE(logged(run, "ERROR Install Error: 61014"));
    EXPECT_EQ(readString(HKEY_LOCAL_MACHINE, 0, "Software\\VreMetrics", "RegDeployStatus"), "-1");
    // The package's mode stays; no mark is written.
    EXPECT_EQ(machineString(versionKey + "\\MSI", "MODE"), "C");
    EXPECT_EQ(machineDword(versionKey, "Eula"), std::nullopt);
    EXPECT_EQ(testsupport::readFileBytes(runtimeSettingsPath()), "AUTO_UPDATE=Enable\r\n");
}

// A library that reports more commands than fit, or a negative count, fails the
// registration before any command runs: the file its first command names stays.
class CommandCount : public Install, public testing::WithParamInterface<const char*> {};

TEST_P(CommandCount, OutsideTheCapacityRunsNoCommand) {
    testsupport::TempFolder victims;
    const std::string victim = victims.file("keep.txt");
    testsupport::writeFileText(victim, "not the library's to delete");
    CreateDirectoryA(join(home, "bin").c_str(), nullptr);
    testsupport::writeFileText(join(home, deployBehaviour),
                               "[RegisterDeployEx]\ncommand 2 " + victim + "\ncount " + GetParam() + "\n");

    const ChildRun run = install();

    EXPECT_EQ(run.code, 61014u);
    EXPECT_TRUE(std::any_of(run.log.begin(), run.log.end(), [&](const std::string& line) {
        return contains(line, std::string("cmds.cmdCnt=") + GetParam() +
                                  " should be less or equal to cmds.maxCmds=20");
    })) << testing::PrintToString(errors(run));
    EXPECT_TRUE(testsupport::pathExists(victim));
    EXPECT_EQ(readString(HKEY_LOCAL_MACHINE, 0, "Software\\VreMetrics", "RegDeployStatus"), "-1");
}

INSTANTIATE_TEST_SUITE_P(Counts, CommandCount, testing::Values("21", "-1"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param) == "21" ? "TwentyOne" : "Negative";
                         });

// The runtime in home lacks one of the C-runtime files that are loaded before its
// deployment library: the registration fails before the library is loaded.
TEST_F(Install, MissingRuntimeFileFailsBeforeTheDeploymentLibraryLoads) {
    ASSERT_EQ(install().code, 0u);
    ASSERT_TRUE(DeleteFileA(join(home, "bin\\vcruntime140.dll").c_str()));
    ASSERT_TRUE(DeleteFileA(join(home, deployCallLog).c_str()));

    const ChildRun run = install({}, inputs.noPayload);

    EXPECT_EQ(run.code, 61014u);
    EXPECT_TRUE(loggedStart(run, "ERROR Exception with message '")) << testing::PrintToString(run.log);
    EXPECT_FALSE(loggedStart(run, "TRACE Loading " + home + "\\bin\\deploy.dll"));
    EXPECT_TRUE(deployCalls().empty());
    EXPECT_EQ(readString(HKEY_LOCAL_MACHINE, 0, "Software\\VreMetrics", "RegDeployStatus"), "-1");
}

TEST_F(Install, FilesThatTheConfigurationNames) {
    testsupport::TempFolder sources;
    const std::string tracker = sources.file("usagetracker.properties");
    const std::string ruleSet = sources.file("DeploymentRuleSet.vpk");
    testsupport::writeFileText(tracker, "com.veyra.usagetracker.logToFile=C:\\\\logs\\\\vesk.log\n");
    testsupport::writeFileText(ruleSet, "a signed rule set\n");

    const ChildRun run = install({"USAGETRACKER_CFG=" + tracker, "DEPLOYMENT_RULE_SET=" + ruleSet});

    ASSERT_EQ(run.code, 0u) << testing::PrintToString(run.log);
    EXPECT_EQ(testsupport::readFileBytes(join(home, "lib\\management\\usagetracker.properties")),
              testsupport::readFileBytes(tracker));
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    EXPECT_EQ(testsupport::readFileBytes(join(windows, "Tolm\\Vesk\\Deployment\\DeploymentRuleSet.vpk")),
              testsupport::readFileBytes(ruleSet));
}

// A rule set that cannot be copied (a file stands where its folder belongs) is logged and
// the install goes on.
TEST_F(Install, FailedCopyOfTheDeploymentRuleSetIsOnlyLogged) {
    testsupport::TempFolder sources;
    const std::string ruleSet = sources.file("DeploymentRuleSet.vpk");
    testsupport::writeFileText(ruleSet, "a signed rule set\n");
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    CreateDirectoryA(join(windows, "Tolm").c_str(), nullptr);
    CreateDirectoryA(join(windows, "Tolm\\Vesk").c_str(), nullptr);
    testsupport::writeFileText(join(windows, "Tolm\\Vesk\\Deployment"), "in the way");

    const ChildRun run = install({"DEPLOYMENT_RULE_SET=" + ruleSet});

    EXPECT_EQ(run.code, 0u) << testing::PrintToString(run.log);
    EXPECT_TRUE(logged(run, "INFO Installing Deployment Rule Set from " + ruleSet + " to " +
                                join(windows, "Tolm\\Vesk\\Deployment\\DeploymentRuleSet.vpk") + ")"));
    const std::vector<std::string> failures = unexpectedErrors(run);
    ASSERT_EQ(failures.size(), 1u) << testing::PrintToString(failures);
    EXPECT_TRUE(failures[0].rfind("ERROR Exception with message '", 0) == 0) << failures[0];
}

// A damaged patch ends the install with its own code; the runtime settings file is put
// back as it was found (a file in the settings library's own form comes back byte for
// byte).
TEST_F(Install, FailedInstallRestoresTheRuntimeSettingsFile) {
    writeRuntimeSettings("AUTO_UPDATE=Enable\r\nEULA=Disable\r\n");

    const ChildRun run = install({"AUTO_UPDATE=Disable"}, inputs.damagedPatch);

    EXPECT_EQ(run.code, 61001u);
    EXPECT_TRUE(logged(run, "ERROR Install Error: 61001"));
    EXPECT_EQ(testsupport::readFileBytes(runtimeSettingsPath()), "AUTO_UPDATE=Enable\r\nEULA=Disable\r\n");
}

// Repair of the only runtime: the uninstall pass unregisters it and deletes the runtime
// settings file; the reinstall writes the kept keys again and puts the product's own
// registry record back.
TEST_F(Install, RepairOfTheOnlyRuntime) {
    ASSERT_EQ(install({"AUTO_UPDATE=Disable"}).code, 0u);

    const ChildRun run = install({"REPAIRMODE=Enable"});

    ASSERT_EQ(run.code, 0u) << testing::PrintToString(run.log);
    EXPECT_TRUE(logged(run, "TRACE -- running in repair mode."));
    EXPECT_TRUE(logged(run, "INFO -- Exec: RegisterDeploy(FALSE) passed."));
    EXPECT_TRUE(logged(run, "TRACE Deleted [" + runtimeSettingsPath() + "] file"));
    EXPECT_EQ(testsupport::readFileBytes(runtimeSettingsPath()), "AUTO_UPDATE=Disable\n");
    EXPECT_EQ(machineString(versionKey, "VeskHome"), home);
    EXPECT_EQ(machineString(versionKey + "\\MSI", "MODE"), "C");
    expectCurrentVre(home);
    expectIntegrationOf(integratedProduct);
    const std::vector<std::string> calls = deployCalls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_TRUE(calls[1].rfind("UnregisterDeployEx size=56 version=4 reserved=0 webVesk=0 securityLevel=0", 0) ==
                0)
        << calls[1];
    EXPECT_TRUE(calls[2].rfind("RegisterDeployEx ", 0) == 0) << calls[2];
}

TEST_F(Install, FailedRepairRestoresTheDeletedRuntimeSettingsFile) {
    ASSERT_EQ(install({"AUTO_UPDATE=Disable"}).code, 0u);

    const ChildRun run = install({"REPAIRMODE=Enable"}, inputs.damagedPatch);

    EXPECT_EQ(run.code, 61001u);
    EXPECT_TRUE(logged(run, "TRACE Deleted [" + runtimeSettingsPath() + "] file"));
    EXPECT_EQ(testsupport::readFileBytes(runtimeSettingsPath()), "AUTO_UPDATE=Disable\n");
}

// Repair with another runtime of the same type and architecture, installed after the
// product (its bin folder a copy of the product's, so that it has launchers, shortcut
// targets and a bridge; its runtime archive, which tells the version, it has not): the integration moves to it for the
// uninstall pass; the runtime settings file is deleted only when it is older than 1.8.0.
// The reinstall makes the latest runtime the current one, so a later update keeps the
// integration and an older family gives it back.
struct RepairCase {
    const TestbedProduct* other;
    bool settingsFileDeleted;
    bool otherStaysCurrent;
};

class RepairWithAnotherRuntime : public Install, public testing::WithParamInterface<RepairCase> {};

TEST_P(RepairWithAnotherRuntime, MovesTheIntegration) {
    const RepairCase& scenario = GetParam();
    ASSERT_EQ(install({"AUTO_UPDATE=Disable"}).code, 0u);
    installProduct(*scenario.other);
    const std::string otherHome = scenario.other->installLocation;
    const std::string otherVersion = scenario.other->versionValue;
    writePackageRecord(otherHome, vreRoot + "\\" + otherVersion.substr(0, otherVersion.find('-')));
    copyTree(join(home, "bin"), join(otherHome, "bin"));

    const ChildRun run = install({"REPAIRMODE=Enable"});

    ASSERT_EQ(run.code, 0u) << testing::PrintToString(run.log);
    EXPECT_EQ(unexpectedErrors(run), std::vector<std::string>{});
    EXPECT_TRUE(logged(run, std::string("TRACE InstallVesk(") + scenario.other->versionValue + ")"))
        << testing::PrintToString(run.log);
    EXPECT_EQ(logged(run, "TRACE Deleted [" + runtimeSettingsPath() + "] file"), scenario.settingsFileDeleted);
    EXPECT_EQ(testsupport::readFileBytes(runtimeSettingsPath()), "AUTO_UPDATE=Disable\n");
    const IntegratedRuntime current = scenario.otherStaysCurrent ? IntegratedRuntime{otherHome, true, ".url"}
                                                                 : integratedProduct;
    expectCurrentVre(current.home);
    expectIntegrationOf(current);
}

INSTANTIATE_TEST_SUITE_P(Runtimes, RepairWithAnotherRuntime,
                         testing::Values(RepairCase{&vreOlderFamily64, true, false},
                                         RepairCase{&vreLaterUpdate64, false, true}),
                         [](const testing::TestParamInfo<RepairCase>& info) {
                             return info.param.otherStaysCurrent ? std::string("LaterUpdate")
                                                                 : std::string("OlderFamily");
                         });

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (!readInputs(argc, argv, "install_e2e_test")) {
        return 2;
    }
    return RUN_ALL_TESTS();
}

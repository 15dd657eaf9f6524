// installer.exe end to end, the way a deployment tool runs it: Windows Installer lists
// the testbed runtime product, the patch cache holds its base image, and installer.exe
// runs as a child with the product code while progress-watch plays the progress display.
// The test reads the full exit code, the product's home, the registry, the runtime
// settings file, the deployment library's record of its calls and the log. Each scenario
// runs in a Wine prefix of its own.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "InstallScene.h"
#include "IntegrationState.h"
#include "diag/Logger.h"
#include "support/CapturedChild.h"
#include "support/ChildProcess.h"
#include "support/LogRecords.h"
#include "support/FolderLink.h"
#include "support/ProgressWatcher.h"
#include "support/ShellProbe.h"
#include "support/TempFolder.h"
#include "support/RuntimeSettingsFile.h"
#include "support/TestFiles.h"
#include "support/TestbedMsi.h"
#include "testbed/TestbedNames.h"
#include "testbed/TestbedProducts.h"

using namespace e2e;

namespace {

// Programs and files of the build, given on the command line in Windows form.
struct BuildInputs {
    std::string installer;     // installer.exe: the patch and the patch tool
    std::string noPayload;     // an installer without payload resources
    std::string damagedPatch;  // an installer whose patch is damaged
    std::string watcher;       // progress-watch.exe
    std::string baseImage;     // the base image the patch applies to
    std::string newImageList;  // the new image's files, written by list_image.py
} inputs;

const TestbedProduct& product = vreTestbed64;
const std::string home = product.installLocation;
// How the setup manager integrates it (and the later 1.8.0 update of the repair cases).
const IntegratedRuntime integratedProduct{home, true, ".url"};

// Beside the deployment library in home.
const std::string deployCallLog = std::string("bin\\") + testbed::deployCallLog;
const std::string deployBehaviour = std::string("bin\\") + testbed::deployBehaviour;

// Where the runtime keeps its registry values, in the 64-bit view.
const std::string vreRoot = "Software\\VeskSoft\\Vesk Runtime Environment";
const std::string versionKey = vreRoot + "\\1.8.0_321";

using testsupport::runtimeSettingsPath;
using testsupport::writeRuntimeSettings;

// The raw data of a value, or nothing when it is missing; its type in `type`.
std::optional<std::string> readValue(HKEY root, REGSAM view, const std::string& key, const std::string& name,
                                     DWORD& type) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE | view, &opened) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    char data[4096] = {};
    DWORD size = sizeof data;
    const LSTATUS status =
        RegQueryValueExA(opened, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(opened);
    if (status != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::string(data, size);
}

std::optional<std::string> readString(HKEY root, REGSAM view, const std::string& key, const std::string& name) {
    DWORD type = REG_NONE;
    std::optional<std::string> value = readValue(root, view, key, name, type);
    if (!value || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return std::nullopt;
    }
    return value->substr(0, value->find('\0'));
}

std::optional<std::string> machineString(const std::string& key, const std::string& name) {
    return readString(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, key, name);
}

std::optional<DWORD> machineDword(const std::string& key, const std::string& name) {
    DWORD type = REG_NONE;
    const std::optional<std::string> value = readValue(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, key, name, type);
    if (!value || type != REG_DWORD || value->size() != sizeof(DWORD)) {
        return std::nullopt;
    }
    return *reinterpret_cast<const DWORD*>(value->data());
}

void setMachineString(const std::string& key, const std::string& name, const std::string& value) {
    HKEY opened = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY,
                              nullptr, &opened, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(opened, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(opened);
}

// What the runtime's own package writes below its version key.
void writePackageRecord(const std::string& productHome, const std::string& versionKeyPath) {
    setMachineString(versionKeyPath, "VeskHome", productHome);
    setMachineString(versionKeyPath, "RuntimeLib", productHome + "\\bin\\server\\vesk.dll");
    setMachineString(versionKeyPath, "MicroVersion", "0");
    setMachineString(versionKeyPath + "\\MSI", "MODE", "C");
}

// Registers the product with Windows Installer and makes its (empty) home.
void installProduct(const TestbedProduct& testbedProduct) {
    ASSERT_EQ(testsupport::installTestbedProduct(testbedProduct), static_cast<UINT>(ERROR_SUCCESS))
        << testbedProduct.file;
    const std::string location = testbedProduct.installLocation;
    CreateDirectoryA(location.substr(0, location.rfind('\\')).c_str(), nullptr);
    CreateDirectoryA(location.c_str(), nullptr);
}

// Every record of one run of installer.exe as "<LEVEL> <message>".
ChildRun runInstaller(const std::string& program, std::vector<std::string> arguments) {
    const std::string logPath = Logger::instance().path();
    const std::uint64_t offset = testsupport::fileSize(logPath);
    ChildRun run;
    testsupport::ProgressWatcher watcher(inputs.watcher);
    testsupport::CapturedChild installer(testsupport::buildCommandLine(program, arguments));
    run.code = installer.wait();
    run.output = installer.output();
    run.progress = watcher.stop();
    for (const testsupport::LogRecord& record : testsupport::readLogRecords(logPath, offset)) {
        run.log.push_back(record.level + " " + record.message);
    }
    return run;
}

ChildRun install(std::vector<std::string> arguments = {}, const std::string& program = inputs.installer) {
    arguments.insert(arguments.begin(), {"/s", std::string("ProductCode=") + product.productCode});
    return runInstaller(program, arguments);
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::vector<std::string> errors(const ChildRun& run) {
    std::vector<std::string> lines;
    std::copy_if(run.log.begin(), run.log.end(), std::back_inserter(lines),
                 [](const std::string& line) { return line.rfind("ERROR ", 0) == 0; });
    return lines;
}

// The ERROR lines of a run, but for the failures that the Windows features Wine lacks
// make (found by trying them): junctions for the command path, shell links from the
// internet-shortcut object for the web shortcuts.
std::vector<std::string> unexpectedErrors(const ChildRun& run) {
    const testsupport::TempFolder probeFolder;
    const bool junctions = testsupport::probeJunctions(probeFolder.path()).supported;
    const bool urlShortcuts = SUCCEEDED(testsupport::internetShortcutAsShellLink());
    std::vector<std::string> lines = errors(run);
    std::erase_if(lines, [&](const std::string& line) {
        return (!junctions && contains(line, "at FileUtils::createJunction(): ") &&
                contains(line, "cannot set reparse point. System error [50]")) ||
               (!urlShortcuts && contains(line, "IUniformResourceLocator.QueryInterface(IID_IShellLink) failed"));
    });
    return lines;
}

bool loggedStart(const ChildRun& run, const std::string& start) {
    return std::any_of(run.log.begin(), run.log.end(),
                       [&](const std::string& line) { return line.rfind(start, 0) == 0; });
}

// The lines of the deployment library's record of its calls.
std::vector<std::string> deployCalls() {
    std::vector<std::string> calls;
    const std::string path = join(home, deployCallLog);
    if (!testsupport::pathExists(path)) {
        return calls;
    }
    const std::string text = testsupport::readFileBytes(path);
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find('\n', start);
        calls.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return calls;
}

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

class Install : public testing::Test {
protected:
    // The product as its package leaves it: listed by Windows Installer, its registry
    // record written, its home empty; the patch cache holds the base image.
    void SetUp() override {
        installProduct(product);
        writePackageRecord(home, versionKey);
        seedCache(testsupport::readFileBytes(inputs.baseImage));
    }

    // The registry state of a 64-bit runtime environment that is the machine's current one
    // (detection hands homes on in lower case).
    void expectCurrentVre(const std::string& currentHome) {
        EXPECT_EQ(machineString(vreRoot, "CurrentVersion"), "1.8");
        EXPECT_EQ(lower(machineString("Software\\Classes\\vpkfile\\shell\\open\\command", "").value_or("")),
                  lower("\"" + currentHome + "\\bin\\veskw.exe\" -vpk \"%1\" %*"));
        EXPECT_EQ(machineString("Software\\Classes\\.vpk", ""), "vpkfile");
    }
};

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
    if (argc != 7) {
        std::fprintf(stderr,
                     "usage: install_e2e_test INSTALLER NO_PAYLOAD_INSTALLER DAMAGED_PATCH_INSTALLER "
                     "PROGRESS_WATCH BASE_IMAGE NEW_IMAGE_LIST\n");
        return 2;
    }
    inputs = {argv[1], argv[2], argv[3], argv[4], argv[5], argv[6]};
    return RUN_ALL_TESTS();
}

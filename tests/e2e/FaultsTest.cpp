// installer.exe ended in the middle of its work, and installers that run at the same
// time. A run is killed (TerminateProcess) at a step, in install and in repair mode; the
// next run must leave the machine as a clean install does: the home's files, the
// registry record, the runtime settings file holding the user's settings, and a patch
// cache that holds the base image only. Two installers started together take turns
// through the install lock; one that waits past the bound gives up honestly. Each
// scenario runs in a Wine prefix of its own.
#include <windows.h>
// tlhelp32.h needs the declarations of windows.h.
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "InstallRun.h"
#include "InstallScene.h"
#include "IntegrationState.h"
#include "diag/Logger.h"
#include "support/ChildProcess.h"
#include "support/LogRecords.h"
#include "support/RuntimeSettingsFile.h"
#include "support/TestFiles.h"

using namespace e2e;

namespace {

constexpr const char* blockName = "VdsOperationSequenceSharedMemory";
constexpr DWORD stepTimeoutMs = 120000;

// The user's choice that every run of these scenarios gives or finds, and the runtime
// settings file that a clean install with it leaves.
const std::string userSetting = "AUTO_UPDATE=Disable";
const std::string userSettingsFile = "AUTO_UPDATE=Disable\n";

std::string lockPath() { return join(cacheDir(), "installer.lock"); }

// The progress block, made by the test before the installer runs, so that the installer
// only opens it and the test sees every record as it is posted.
class ProgressBlock {
public:
    explicit ProgressBlock(DWORD size = 8)
        : mapping_(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, blockName)) {
        if (mapping_ != nullptr) {
            view_ =
                static_cast<const volatile std::int32_t*>(MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 8));
        }
    }
    ~ProgressBlock() {
        if (view_ != nullptr) {
            UnmapViewOfFile(const_cast<std::int32_t*>(view_));
        }
        if (mapping_ != nullptr) {
            CloseHandle(mapping_);
        }
    }
    ProgressBlock(const ProgressBlock&) = delete;
    ProgressBlock& operator=(const ProgressBlock&) = delete;

    bool ready() const { return view_ != nullptr; }
    // The operation id and state of the latest post.
    std::int32_t operation() const { return view_[0]; }
    std::int32_t state() const { return view_[1]; }

private:
    HANDLE mapping_;
    const volatile std::int32_t* view_ = nullptr;
};

// Where a run is killed: when the progress block says that `operation` started, or when
// the log holds `logLine` (the first line of a step that posts no progress).
struct KillPoint {
    int operation;
    const char* logLine;
};

bool reached(const KillPoint& point, const ProgressBlock& block, std::uint64_t logOffset) {
    if (point.operation != 0) {
        return block.operation() == point.operation && block.state() == 1;
    }
    const std::string text = testsupport::readFileText(Logger::instance().path());
    return text.size() > logOffset && text.find(point.logLine, logOffset) != std::string::npos;
}

// The processes that `parent` started and that still run.
std::vector<DWORD> childrenOf(DWORD parent) {
    std::vector<DWORD> children;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return children;
    }
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (entry.th32ParentProcessID == parent && entry.th32ProcessID != parent) {
            children.push_back(entry.th32ProcessID);
        }
    }
    CloseHandle(snapshot);
    return children;
}

// Waits until the programs that the killed installer started (the patch tool, the
// runtime's expander, the runtime itself) have ended too: a power loss ends them as well.
void awaitChildren(const std::vector<DWORD>& children) {
    for (const DWORD id : children) {
        if (const HANDLE child = OpenProcess(SYNCHRONIZE, FALSE, id)) {
            EXPECT_EQ(WaitForSingleObject(child, stepTimeoutMs), WAIT_OBJECT_0) << "child " << id;
            CloseHandle(child);
        }
    }
}

// Runs installer.exe with `arguments` and kills it once it reaches `point`; its process id.
DWORD runAndKill(const std::vector<std::string>& arguments, const KillPoint& point) {
    const ProgressBlock block;
    EXPECT_TRUE(block.ready());
    const std::uint64_t offset = testsupport::fileSize(Logger::instance().path());
    testsupport::ChildProcess installer(
        testsupport::buildCommandLine(inputs.installer, productArguments(arguments)));
    const ULONGLONG start = GetTickCount64();
    while (!reached(point, block, offset)) {
        if (WaitForSingleObject(installer.handle(), 0) != WAIT_TIMEOUT) {
            ADD_FAILURE() << "the run ended before the kill point";
            return installer.id();
        }
        if (GetTickCount64() - start > stepTimeoutMs) {
            ADD_FAILURE() << "the run did not reach the kill point";
            return installer.id();
        }
        Sleep(1);
    }
    EXPECT_TRUE(TerminateProcess(installer.handle(), 1));
    EXPECT_EQ(installer.wait(), 1u);
    // Its children keep its id as their parent's; the held handle keeps the id unused.
    awaitChildren(childrenOf(installer.id()));
    return installer.id();
}

// What a clean install of the product with the user's setting leaves.
void expectCleanInstall() {
    expectHome(home, imageFiles(inputs.newImageList), {classDataArchive, deployCallLog});
    EXPECT_EQ(entriesIn(cacheDir()), std::set<std::string>{"baseimagefam8"});
    expectCurrentVre(home);
    expectIntegrationOf(IntegratedRuntime{home, true, ".url"});
    EXPECT_EQ(machineString(vreRoot + "\\1.8", "VeskHome"), home);
    EXPECT_EQ(machineString(versionKey, "VeskHome"), home);
    EXPECT_EQ(machineString(versionKey + "\\MSI", "MODE"), "C");
    EXPECT_EQ(readString(HKEY_LOCAL_MACHINE, 0, "Software\\VreMetrics", "RegDeployStatus"), "0");
    EXPECT_EQ(testsupport::readFileBytes(testsupport::runtimeSettingsPath()), userSettingsFile);
}

struct KillCase {
    const char* name;
    bool repair;
    KillPoint point;
    // The killed run leaves its working folder, or (in repair) only the copy of the
    // runtime settings file that its uninstall pass deleted.
    bool leavesWorkFolder;
    bool leavesSettingsCopy;
};

class KilledRun : public PackagedProduct, public testing::WithParamInterface<KillCase> {};

TEST_P(KilledRun, TheNextRunEndsAsACleanInstall) {
    const KillCase& scenario = GetParam();
    std::vector<std::string> arguments = {userSetting};
    if (scenario.repair) {
        ASSERT_EQ(install(arguments).code, 0u);
        arguments = {"REPAIRMODE=Enable"};
    }

    const DWORD killed = runAndKill(arguments, scenario.point);
    ASSERT_FALSE(HasFailure());
    EXPECT_EQ(testsupport::pathExists(join(cacheDir(), "vesk.settings.cfg.repair")),
              scenario.leavesSettingsCopy);

    const ChildRun run = install(arguments);

    ASSERT_EQ(run.code, 0u) << testing::PrintToString(problems(run));
    EXPECT_EQ(unexpectedErrors(run), std::vector<std::string>{});
    EXPECT_TRUE(loggedStart(run, "WARNING The install lock [" + lockPath() +
                                     "] was left by installer process " + std::to_string(killed) +
                                     ", which ended without releasing it"))
        << testing::PrintToString(run.log);
    EXPECT_EQ(loggedStart(run, "INFO Removed [" + cacheDir() + "\\"), scenario.leavesWorkFolder)
        << testing::PrintToString(run.log);
    EXPECT_EQ(loggedStart(run, "INFO Restored the runtime settings file ["), scenario.leavesSettingsCopy)
        << testing::PrintToString(run.log);
    expectCleanInstall();
}

constexpr KillPoint atExport{0, "...Exporting config settings"};
constexpr KillPoint atDetection{0, "Installed Vesk detected:"};

INSTANTIATE_TEST_SUITE_P(Steps, KilledRun,
                         testing::Values(KillCase{"InstallAtExport", false, atExport, false, false},
                                         KillCase{"InstallAtDetection", false, atDetection, false, false},
                                         KillCase{"InstallInOperation4", false, {4, nullptr}, true, false},
                                         KillCase{"InstallInOperation5", false, {5, nullptr}, false, false},
                                         KillCase{"InstallInOperation6", false, {6, nullptr}, false, false},
                                         KillCase{"InstallInOperation7", false, {7, nullptr}, false, false},
                                         KillCase{"RepairAtExport", true, atExport, false, false},
                                         KillCase{"RepairAtDetection", true, atDetection, false, false},
                                         KillCase{"RepairInOperation4", true, {4, nullptr}, true, true},
                                         KillCase{"RepairInOperation5", true, {5, nullptr}, false, true},
                                         KillCase{"RepairInOperation6", true, {6, nullptr}, false, true},
                                         KillCase{"RepairInOperation7", true, {7, nullptr}, false, true}),
                         [](const testing::TestParamInfo<KillCase>& info) {
                             return std::string(info.param.name);
                         });

// The records of the log from `offset` on that process `id` wrote, as "<LEVEL> <message>".
std::vector<std::string> linesOf(DWORD id, std::uint64_t offset) {
    std::vector<std::string> lines;
    for (const testsupport::LogRecord& record :
         testsupport::readLogRecords(Logger::instance().path(), offset)) {
        if (record.processId == id) {
            lines.push_back(record.level + " " + record.message);
        }
    }
    return lines;
}

bool startsWith(const std::vector<std::string>& lines, const std::string& start) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.rfind(start, 0) == 0; });
}

class Concurrency : public PackagedProduct {};

// The second installer starts while the first holds the lock: it waits, says so, and
// then installs again over the first one's install.
TEST_F(Concurrency, TheSecondInstallerWaitsForTheFirst) {
    const std::uint64_t offset = testsupport::fileSize(Logger::instance().path());
    const std::string commandLine =
        testsupport::buildCommandLine(inputs.installer, productArguments({userSetting}));
    testsupport::ChildProcess first(commandLine);
    const std::string taken = "Took the install lock [" + lockPath() + "]";
    const ULONGLONG start = GetTickCount64();
    while (testsupport::readFileText(Logger::instance().path()).find(taken, offset) == std::string::npos) {
        ASSERT_EQ(WaitForSingleObject(first.handle(), 0), WAIT_TIMEOUT) << "the first installer ended early";
        ASSERT_LT(GetTickCount64() - start, stepTimeoutMs);
        Sleep(1);
    }
    testsupport::ChildProcess second(commandLine);

    EXPECT_EQ(first.wait(), 0u);
    EXPECT_EQ(second.wait(), 0u);

    const std::vector<std::string> firstLines = linesOf(first.id(), offset);
    const std::vector<std::string> secondLines = linesOf(second.id(), offset);
    EXPECT_FALSE(startsWith(firstLines, "INFO Another installer holds the install lock"));
    EXPECT_TRUE(startsWith(secondLines, "INFO Another installer holds the install lock [" + lockPath() +
                                            "]; waiting for it (at most 600 s)"))
        << testing::PrintToString(secondLines);
    EXPECT_TRUE(startsWith(secondLines, "INFO Waited ")) << testing::PrintToString(secondLines);
    const std::vector<std::string> calls = deployCalls();
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                            [](const std::string& call) { return call.rfind("RegisterDeployEx ", 0) == 0; }),
              2);
    expectCleanInstall();
}

// Whoever holds the lock file (here the test itself) past the bound makes the run give
// up before it reads or changes anything.
TEST_F(Concurrency, ARunThatWaitsPastTheBoundGivesUp) {
    testsupport::writeRuntimeSettings("EULA=Disable\r\n");
    const HANDLE held = CreateFileA(lockPath().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(SetEnvironmentVariableA("INSTALLER_EXE_LOCK_WAIT_SECONDS", "2"));

    const ChildRun run = install({userSetting});

    SetEnvironmentVariableA("INSTALLER_EXE_LOCK_WAIT_SECONDS", nullptr);
    CloseHandle(held);
    EXPECT_EQ(run.code, 610017u);
    EXPECT_TRUE(loggedStart(run, "INFO Another installer holds the install lock [" + lockPath() +
                                     "]; waiting for it (at most 2 s)"))
        << testing::PrintToString(run.log);
    EXPECT_TRUE(loggedStart(run, "ERROR Gave up waiting for the install lock [" + lockPath() + "] after "))
        << testing::PrintToString(run.log);
    EXPECT_TRUE(logged(run, "ERROR The install lock is not taken. Exiting installer."));
    EXPECT_EQ(entriesIn(home), std::set<std::string>{});
    EXPECT_EQ(testsupport::readFileBytes(testsupport::runtimeSettingsPath()), "EULA=Disable\r\n");
    EXPECT_TRUE(run.progress.empty()) << testing::PrintToString(run.progress);
}

// A progress display that made the block with another size than the record's: the
// installer opens it, posts its whole record into its first bytes (Windows maps whole
// pages) and installs.
class DisplayBlockOfAnotherSize : public PackagedProduct, public testing::WithParamInterface<DWORD> {};

TEST_P(DisplayBlockOfAnotherSize, TakesTheRecord) {
    const ProgressBlock block(GetParam());
    ASSERT_TRUE(block.ready());

    const ChildRun run = runInstaller(inputs.installer, productArguments({userSetting}), false);

    ASSERT_EQ(run.code, 0u) << testing::PrintToString(problems(run));
    EXPECT_EQ(unexpectedErrors(run), std::vector<std::string>{});
    EXPECT_EQ(block.operation(), 7);
    EXPECT_EQ(block.state(), 2);
    expectCleanInstall();
}

INSTANTIATE_TEST_SUITE_P(Sizes, DisplayBlockOfAnotherSize, testing::Values(DWORD{4}, DWORD{4096}),
                         [](const testing::TestParamInfo<DWORD>& info) {
                             return info.param < 8 ? std::string("Smaller") : std::string("Larger");
                         });

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (!readInputs(argc, argv, "install_faults_e2e_test")) {
        return 2;
    }
    return RUN_ALL_TESTS();
}

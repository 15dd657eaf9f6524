#include "integrate/VeskPathManager.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "SetupRecords.h"
#include "diag/tstrings.h"
#include "integrate/AccessBridgeManager.h"
#include "integrate/VeskShortcutsManager.h"
#include "platform/FileUtils.h"
#include "platform/FileUtilsLinks.h"
#include "platform/Registry.h"
#include "platform/SysInfo.h"
#include "support/FolderLink.h"
#include "support/LogCapture.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

namespace {

using namespace setuptest;
using testsupport::LogRecord;
using testsupport::pathExists;

const wchar_t* const environmentKey = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
const std::vector<std::string> launcherFiles = {"bin\\vesk.exe", "bin\\veskw.exe", "bin\\veskws.exe"};

// The machine "Path" as stored: its type and bytes.
struct RawPath {
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
};

RawPath readRawPath() {
    RawPath path;
    DWORD size = 0;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, environmentKey, L"Path", RRF_RT_ANY | RRF_NOEXPAND, &path.type,
                     nullptr, &size) != ERROR_SUCCESS) {
        throw std::runtime_error("cannot measure Path");
    }
    path.bytes.resize(size);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, environmentKey, L"Path", RRF_RT_ANY | RRF_NOEXPAND, &path.type,
                     path.bytes.data(), &size) != ERROR_SUCCESS) {
        throw std::runtime_error("cannot read Path");
    }
    path.bytes.resize(size);
    return path;
}

// The bytes of a string value holding `text` and its terminator.
std::vector<BYTE> bytesOf(const std::wstring& text) {
    const auto* first = reinterpret_cast<const BYTE*>(text.c_str());
    return std::vector<BYTE>(first, first + (text.size() + 1) * sizeof(wchar_t));
}

void writeRawPath(DWORD type, const std::wstring& text) {
    const std::vector<BYTE> bytes = bytesOf(text);
    if (RegSetKeyValueW(HKEY_LOCAL_MACHINE, environmentKey, L"Path", type, bytes.data(),
                        static_cast<DWORD>(bytes.size())) != ERROR_SUCCESS) {
        throw std::runtime_error("cannot write Path");
    }
}

std::wstring pathText() {
    const RawPath path = readRawPath();
    std::wstring text(path.bytes.size() / sizeof(wchar_t), L'\0');
    std::copy(path.bytes.begin(),
              path.bytes.begin() + static_cast<std::ptrdiff_t>(text.size() * sizeof(wchar_t)),
              reinterpret_cast<BYTE*>(text.data()));
    while (!text.empty() && text.back() == L'\0') {
        text.pop_back();
    }
    return text;
}

std::wstring wide(const std::string& ansi) { return tstrings::toUtf16(ansi, CP_ACP); }

std::wstring upperCase(std::wstring text) {
    CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

// A hidden top-level window of this thread that counts the environment-change broadcasts
// it receives; the broadcast of this thread reaches it at once.
class BroadcastWatcher {
public:
    BroadcastWatcher() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"VeskPathManagerTestWatcher";
        RegisterClassW(&windowClass);
        window_ = CreateWindowExW(0, windowClass.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 1, 1, nullptr,
                                  nullptr, windowClass.hInstance, nullptr);
    }
    ~BroadcastWatcher() {
        if (window_ != nullptr) {
            DestroyWindow(window_);
        }
    }
    BroadcastWatcher(const BroadcastWatcher&) = delete;
    BroadcastWatcher& operator=(const BroadcastWatcher&) = delete;

    bool ready() const { return window_ != nullptr; }
    int count() const { return received; }

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_SETTINGCHANGE && wParam == 0 && lParam != 0 &&
            std::wstring(reinterpret_cast<const wchar_t*>(lParam)) == L"Environment") {
            ++received;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    static inline int received = 0;
    HWND window_ = nullptr;
};

bool hasLog(const std::vector<LogRecord>& records, const std::string& level, const std::string& part) {
    return std::any_of(records.begin(), records.end(), [&](const LogRecord& r) {
        return r.level == level && r.message.find(part) != std::string::npos;
    });
}

// The names beside veskpath that look like target folders.
std::vector<std::string> targetFolders(const std::string& veskpath) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((veskpath + "_target_*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            names.push_back(found.cFileName);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    return names;
}

class VeskPathTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SysInfo::isNativeX64()) << "the cases below are those of a 64-bit machine";
    }

    bool install(const std::vector<InstalledVesk>& detected, const InstalledVesk& product) {
        return updateWith(std::make_unique<VeskPathManager>(), *config_, detected, product,
                          VeskSetupManager::Install);
    }

    const std::string veskpath_ = VeskPathManager::veskpath().full();
    const std::wstring entry_ = wide(veskpath_);
    const std::wstring entry64_ = wide(VeskPathManager::veskpath64().full());
    const testsupport::TempFolder temp_;
    std::unique_ptr<InstallConfigData> config_ = makeConfig();
};

struct PathCase {
    const char* name;
    bool add;
    DWORD typeBefore;
    std::wstring before;
    std::wstring after;
    bool written;
};

TEST_F(VeskPathTest, pathEntriesAreAddedAndRemovedAsWholeEntries) {
    const BroadcastWatcher watcher;
    ASSERT_TRUE(watcher.ready()) << "no window here to receive the broadcast (ctest runs this test with "
                                    "WINE_RUN_NULL_DISPLAY=1)";
    ASSERT_NE(entry64_, entry_);
    // Folders whose names the ANSI code page does not hold.
    const std::wstring foreign =
        L"C:\\\u041f\u0443\u0442\u0438\\bin;%SystemRoot%\\\u4e2d\u6587;C:\\\u00c6r\u00f8";
    ASSERT_NE(wide(tstrings::toAnsi(foreign)), foreign) << "the ANSI code page holds the entries";
    // 8,000 characters, far beyond what the ANSI calls of older Windows read.
    std::wstring longPath;
    for (int i = 0; longPath.size() < 8000; ++i) {
        longPath += (i == 0 ? L"" : L";") + std::wstring(L"C:\\Tools\\folder-") + std::to_wstring(i);
    }
    longPath.resize(8000);

    const PathCase cases[] = {
        {"veskpath there in other letter case", true, REG_SZ, L"C:\\A;" + upperCase(entry_) + L";C:\\B",
         L"C:\\A;" + upperCase(entry_) + L";C:\\B", false},
        {"right after the 64-bit veskpath", true, REG_SZ, L"C:\\A;" + entry64_ + L";C:\\B",
         L"C:\\A;" + entry64_ + L";" + entry_ + L";C:\\B", true},
        {"at the front otherwise", true, REG_EXPAND_SZ, L"C:\\A;C:\\B", entry_ + L";C:\\A;C:\\B", true},
        {"removed with the empty entry before it", false, REG_EXPAND_SZ, L";" + entry_ + L";C:\\C", L"C:\\C",
         true},
        {"removed in any letter case; inner and last empty entries stay", false, REG_SZ,
         L"C:\\A;;" + upperCase(entry_) + L";C:\\B;", L"C:\\A;;C:\\B;", true},
        {"written back without veskpath too", false, REG_SZ, L"C:\\A", L"C:\\A", true},
        {"foreign entries survive adding", true, REG_EXPAND_SZ, foreign, entry_ + L";" + foreign, true},
        {"foreign entries survive removing", false, REG_EXPAND_SZ, entry_ + L";" + foreign, foreign, true},
        {"8,000 characters survive adding", true, REG_SZ, longPath, entry_ + L";" + longPath, true},
        {"8,000 characters survive removing", false, REG_EXPAND_SZ, entry_ + L";" + longPath, longPath, true},
    };
    for (const PathCase& c : cases) {
        SCOPED_TRACE(c.name);
        writeRawPath(c.typeBefore, c.before);
        const int broadcasts = watcher.count();
        if (c.add) {
            VeskPathManager::addToPath();
        } else {
            VeskPathManager::removeFromPath();
        }
        const RawPath path = readRawPath();
        EXPECT_TRUE(path.bytes == bytesOf(c.after)) << tstrings::toUtf8(pathText());
        EXPECT_EQ(path.type, c.written ? static_cast<DWORD>(REG_EXPAND_SZ) : c.typeBefore);
        EXPECT_EQ(watcher.count() - broadcasts, c.written ? 1 : 0) << "environment-change broadcasts";
    }
}

TEST_F(VeskPathTest, from1_8_0_20OnVeskpathIsBuiltBelowItRemoved) {
    const std::string home19 = temp_.file("vre-19");
    const std::string home20 = temp_.file("vre-20");
    makeHome(home19, launcherFiles);
    makeHome(home20, launcherFiles);
    const InstalledVesk vre19 = record(VRE, 64, "1.8.0_19-b10", 1, home19);
    const InstalledVesk vre20 = record(VRE, 64, "1.8.0_20-b26", 2, home20);
    writeRawPath(REG_EXPAND_SZ, entry_ + L";C:\\A");

    std::vector<LogRecord> records = testsupport::recordsOf([&] { ASSERT_TRUE(install({}, vre19)); });
    EXPECT_EQ(pathText(), L"C:\\A");
    EXPECT_TRUE(hasLog(records, "WARNING", "veskpath directory does not exist"));
    EXPECT_FALSE(hasLog(records, "INFO", "veskpath targetDir: "));

    records = testsupport::recordsOf([&] { ASSERT_TRUE(install({vre19}, vre20)); });
    EXPECT_TRUE(hasLog(records, "INFO", "veskpath targetDir: " + veskpath_ + "_target_"));
    for (const std::string& launcher : launcherFiles) {
        EXPECT_TRUE(hasLog(records, "TRACE", "Copied [" + FileUtils::join(home20, launcher) + "] file to ["))
            << launcher;
    }
    const testsupport::JunctionSupport junctions = testsupport::probeJunctions(temp_.path());
    if (!junctions.supported) {
        EXPECT_TRUE(hasLog(records, "ERROR", veskpath_ + ": cannot set reparse point"));
        EXPECT_EQ(targetFolders(veskpath_), std::vector<std::string>{}) << "no target without a junction";
        EXPECT_EQ(pathText(), L"C:\\A") << "not on the path without its junction";
        GTEST_SKIP() << "this file system refuses junctions (error " << junctions.error
                     << "); the reported failure was checked";
    }
    ASSERT_TRUE(FileUtils::isReparsePoint(veskpath_));
    const std::string target = FileUtils::getLinkTarget(veskpath_);
    for (const char* name : {"vesk.exe", "veskw.exe", "veskws.exe"}) {
        EXPECT_TRUE(pathExists(FileUtils::join(target, name))) << name;
    }
    EXPECT_EQ(pathText(), entry_ + L";C:\\A");
}

// All four managers for a VRE whose veskpath cannot be made (where the file system
// refuses junctions): the failure is reported, the others did their work, nothing is left
// behind, and the next run meets the same failure instead of the leftovers.
TEST_F(VeskPathTest, aFailedJunctionLeavesNothingInTheWayOfTheNextRun) {
    const std::vector<std::string> files = {"bin\\vesk.exe",      "bin\\veskw.exe",
                                            "bin\\veskws.exe",    "bin\\veskcpl.exe",
                                            "bin\\vabswitch.exe", "bin\\WindowsVabBridge-64.dll"};
    const std::string home17 = temp_.file("vre-17");
    const std::string home21 = temp_.file("vre-21");
    makeHome(home17, files);
    makeHome(home21, files);
    const InstalledVesk vre17 = record(VRE, 64, "17.0.2+8", 3, home17);
    const InstalledVesk vre21 = record(VRE, 64, "21.0.1+12", 4, home21);
    writeRawPath(REG_EXPAND_SZ, L"C:\\A");
    const testsupport::JunctionSupport junctions = testsupport::probeJunctions(temp_.path());

    for (const auto& [detected, product] : {std::pair{std::vector<InstalledVesk>{}, vre17},
                                            std::pair{std::vector<InstalledVesk>{vre17}, vre21}}) {
        SCOPED_TRACE(product.homeDir);
        VeskSetupManager manager;
        manager.product = product;
        manager.operation = VeskSetupManager::Install;
        bool result = false;
        const auto records = testsupport::recordsOf([&] { result = manager.update(*config_, detected); });
        EXPECT_TRUE(result);
        EXPECT_FALSE(hasLog(records, "ERROR", "Not a symlink")) << "the leftovers of the run before";

        const std::string version = product.bundle.version.withoutBuild().toString();
        EXPECT_EQ(Registry::HKLM64.getString("Software\\VeskSoft\\VRE\\CurrentVersion", "-"), version);
        EXPECT_TRUE(pathExists(FileUtils::join(VeskShortcutsManager::folderOf(VRE), "About Vesk.lnk")));
        EXPECT_TRUE(pathExists(AccessBridgeManager::systemCopyPath(64, 64)));
        EXPECT_EQ(
            Registry::HKLM64.getString(std::string(AccessBridgeManager::registrationKey) + "\\StartExe", "-"),
            FileUtils::join(product.homeDir, "bin\\vabswitch.exe"));

        if (junctions.supported) {
            ASSERT_TRUE(FileUtils::isReparsePoint(veskpath_));
            const std::string target = FileUtils::getLinkTarget(veskpath_);
            EXPECT_EQ(targetFolders(veskpath_), std::vector<std::string>{FileUtils::basename(target)})
                << "the target of the run before is gone";
            EXPECT_EQ(testsupport::readFileBytes(FileUtils::join(target, "vesk.exe")),
                      FileUtils::join(product.homeDir, "bin\\vesk.exe"));
            EXPECT_EQ(pathText(), entry_ + L";C:\\A");
        } else {
            EXPECT_TRUE(hasLog(records, "ERROR", veskpath_ + ": cannot set reparse point"));
            EXPECT_EQ(targetFolders(veskpath_), std::vector<std::string>{});
            EXPECT_EQ(pathText(), L"C:\\A");
        }
    }
    if (!junctions.supported) {
        GTEST_SKIP() << "this file system refuses junctions (error " << junctions.error
                     << "); the reported failure and what it leaves were checked";
    }
}

TEST_F(VeskPathTest, anOlderVeskpathWithAPlainFileEndsTheStep) {
    const std::string home = temp_.file("vre-20");
    makeHome(home, launcherFiles);
    FileUtils::createDirs(veskpath_);
    const std::string plain = FileUtils::join(veskpath_, "vesk.exe");
    testsupport::writeFileText(plain, "not a link");
    writeRawPath(REG_EXPAND_SZ, L"C:\\A");

    const auto records =
        testsupport::recordsOf([&] { ASSERT_TRUE(install({}, record(VRE, 64, "1.8.0_20-b26", 5, home))); });

    EXPECT_TRUE(hasLog(records, "ERROR", "Not a symlink: " + plain));
    EXPECT_EQ(testsupport::readFileBytes(plain), "not a link");
    EXPECT_FALSE(hasLog(records, "INFO", "veskpath targetDir: "));
    EXPECT_EQ(pathText(), L"C:\\A");
}

// veskpath is a link that this program did not make, to a folder that looks like one of
// its targets: only the link goes, never what it leads to.
TEST_F(VeskPathTest, aForeignLinkAtVeskpathIsRemovedAsALinkOnly) {
    const std::string planted = veskpath_ + "_target_1";
    makeHome(planted, {"vesk.exe", "veskw.exe", "veskws.exe"});
    const std::string why = testsupport::makeFolderLink(veskpath_, planted);
    if (!why.empty()) {
        GTEST_SKIP() << why;
    }
    writeRawPath(REG_EXPAND_SZ, entry_ + L";C:\\A");

    bool result = false;
    const auto records = testsupport::recordsOf(
        [&] { result = install({}, record(VRE, 64, "1.8.0_19-b10", 6, temp_.file("vre-19"))); });

    EXPECT_TRUE(result);
    EXPECT_EQ(pathText(), L"C:\\A");
    for (const char* name : {"vesk.exe", "veskw.exe", "veskws.exe"}) {
        EXPECT_TRUE(pathExists(FileUtils::join(planted, name))) << name;
    }
    if (pathExists(veskpath_)) {
        // Wine cannot remove its Unix links with RemoveDirectory: the failure is reported.
        EXPECT_TRUE(hasLog(records, "ERROR", "RemoveDirectory(" + veskpath_ + ") failed"));
    } else {
        EXPECT_TRUE(hasLog(records, "WARNING", "only the link was removed"));
    }
}

}  // namespace

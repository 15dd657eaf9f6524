#include "IntegrationState.h"

#include <windows.h>

// shlobj.h needs the declarations of windows.h.
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <set>
#include <stdexcept>
#include <vector>

#include "InstallRun.h"
#include "InstallScene.h"
#include "diag/tstrings.h"
#include "support/FolderLink.h"
#include "support/ShellLinks.h"
#include "support/ShellProbe.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

namespace e2e {
namespace {

const char* const bridgeLibrary = "WindowsVabBridge-64.dll";
const char* const bridgeKey =
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Accessibility\\ATs\\Veyra_VeskAccessBridge";
const wchar_t* const environmentKey = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
const char* const launchers[] = {"vesk.exe", "veskw.exe", "veskws.exe"};

std::string folderPath(int csidl) {
    char path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, 0, path))) {
        throw std::runtime_error("SHGetFolderPathA(" + std::to_string(csidl) + ") failed");
    }
    return path;
}

std::wstring lowerWide(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return std::towlower(c); });
    return text;
}

// The machine "Path" entries in lower case.
std::set<std::wstring> pathEntries() {
    wchar_t data[16384] = {};
    DWORD size = sizeof data - sizeof(wchar_t);
    std::set<std::wstring> entries;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, environmentKey, L"Path",
                     RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, data, &size) != ERROR_SUCCESS) {
        return entries;
    }
    const std::wstring path = lowerWide(data);
    for (std::size_t start = 0; start <= path.size();) {
        const std::size_t end = std::min(path.find(L';', start), path.size());
        entries.insert(path.substr(start, end - start));
        start = end + 1;
    }
    return entries;
}

std::string bridgeStartProgram() {
    char data[MAX_PATH * 2] = {};
    DWORD size = sizeof data;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, bridgeKey, "StartExe", RRF_RT_REG_SZ | RRF_ZEROONFAILURE, nullptr,
                     data, &size) != ERROR_SUCCESS) {
        return "<none>";
    }
    return data;
}

void expectShortcuts(const IntegratedRuntime& runtime) {
    const std::string folder = join(folderPath(CSIDL_COMMON_PROGRAMS), "Vesk");
    std::set<std::string> expected = {"About Vesk.lnk", "Check For Updates.lnk", "Configure Vesk.lnk"};
    if (SUCCEEDED(testsupport::internetShortcutAsShellLink())) {
        expected.insert(std::string("Visit vesk.com") + runtime.webShortcut);
        expected.insert(std::string("Get Help") + runtime.webShortcut);
    }
    EXPECT_EQ(entriesIn(folder), expected) << folder;
    const testsupport::LinkContents configure = testsupport::readLink(join(folder, "Configure Vesk.lnk"));
    EXPECT_EQ(lower(configure.target), lower(join(runtime.home, "bin\\veskcpl.exe")));
    EXPECT_EQ(lower(configure.icon), lower(join(runtime.home, "bin\\vesk.exe")));
}

void expectBridge(const IntegratedRuntime& runtime) {
    const std::string copy = join(folderPath(CSIDL_SYSTEM), bridgeLibrary);
    ASSERT_TRUE(testsupport::pathExists(copy)) << copy;
    EXPECT_EQ(sha256(copy), sha256(join(runtime.home, std::string("bin\\") + bridgeLibrary)));
    EXPECT_FALSE(testsupport::pathExists(join(folderPath(CSIDL_SYSTEMX86), bridgeLibrary)));
    EXPECT_EQ(lower(bridgeStartProgram()), lower(join(runtime.home, "bin\\vabswitch.exe")));
}

void expectCommandPath(const IntegratedRuntime& runtime) {
    const std::string veskpath = join(folderPath(CSIDL_PROGRAM_FILES_COMMONX86), "Veyra\\Vesk\\veskpath");
    const std::string parent = veskpath.substr(0, veskpath.rfind('\\'));
    std::vector<std::string> targets;
    for (const std::string& name : entriesIn(parent)) {
        if (name.rfind("veskpath_target_", 0) == 0) {
            targets.push_back(name);
        }
    }
    const bool onPath = pathEntries().count(lowerWide(tstrings::toUtf16(veskpath, CP_ACP))) != 0;
    if (!runtime.commandPath) {
        EXPECT_FALSE(testsupport::pathExists(veskpath));
        EXPECT_EQ(targets, std::vector<std::string>{});
        EXPECT_FALSE(onPath);
        return;
    }
    const testsupport::TempFolder probeFolder;
    if (!testsupport::probeJunctions(probeFolder.path()).supported) {
        // The junction step failed: its target folder went again and "Path" stayed.
        EXPECT_EQ(targets, std::vector<std::string>{});
        EXPECT_FALSE(onPath);
        return;
    }
    EXPECT_EQ(targets.size(), 1u);
    EXPECT_NE(GetFileAttributesA(veskpath.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT, 0u) << veskpath;
    for (const char* launcher : launchers) {
        EXPECT_EQ(sha256(join(veskpath, launcher)), sha256(join(runtime.home, std::string("bin\\") + launcher)));
    }
    EXPECT_TRUE(onPath);
}

}  // namespace

void expectIntegrationOf(const IntegratedRuntime& runtime) {
    SCOPED_TRACE("integration of " + runtime.home);
    expectShortcuts(runtime);
    expectBridge(runtime);
    expectCommandPath(runtime);
}

}  // namespace e2e

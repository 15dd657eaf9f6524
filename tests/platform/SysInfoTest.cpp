#include "platform/SysInfo.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "support/LogCapture.h"
#include "diag/ComError.h"
#include "diag/ErrorText.h"
#include "diag/SysError.h"
#include "diag/tstrings.h"
#include "support/ChildProcess.h"
#include "support/TempFolder.h"

namespace {

TEST(SysInfoTest, VersionRecordIsFilledBeforeTheTestsRun) {
    const OSVERSIONINFOEXW& record = SysInfo::osVersion();
    EXPECT_EQ(record.dwOSVersionInfoSize, 284u);
    EXPECT_GE(record.dwMajorVersion, 6u);

    // Both sources describe the same system.
    for (auto init : {&SysInfo::initWithRtlGetVersion, &SysInfo::initWithGetVersionEx}) {
        OSVERSIONINFOEXW other{};
        other.dwOSVersionInfoSize = sizeof other;
        ASSERT_TRUE(init(other));
        EXPECT_EQ(other.dwMajorVersion, record.dwMajorVersion);
        EXPECT_EQ(other.dwMinorVersion, record.dwMinorVersion);
        EXPECT_EQ(other.dwBuildNumber, record.dwBuildNumber);
        EXPECT_EQ(other.wProductType, record.wProductType);
    }
}

TEST(SysInfoTest, GetVersionExFailureIsLoggedAndAnsweredFalse) {
    OSVERSIONINFOEXW record{};
    record.dwOSVersionInfoSize = 3;  // a size GetVersionExW refuses
    bool answer = true;
    const auto records = testsupport::recordsOf([&] { answer = SysInfo::initWithGetVersionEx(record); });
    EXPECT_FALSE(answer);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].level, "ERROR");
    EXPECT_EQ(records[0].function, "SysInfo::initWithGetVersionEx");
    // Windows reports ERROR_INSUFFICIENT_BUFFER; Wine leaves the last error alone.
    const std::string prefix = "GetVersionExW() failed with system error ";
    EXPECT_EQ(records[0].message.substr(0, prefix.size()), prefix) << records[0].message;
}

TEST(SysInfoTest, ArchitectureOfThisSixtyFourBitProcess) {
    EXPECT_TRUE(SysInfo::isNativeX64());
    EXPECT_FALSE(SysInfo::isWow64());
}

TEST(SysInfoTest, SystemFoldersLieInTheWindowsFolder) {
    const std::string windows = SysInfo::getWindowsDirectory();
    ASSERT_FALSE(windows.empty());
    EXPECT_NE(windows.back(), '\\');
    EXPECT_TRUE(tstrings::equalsIgnoreCase(SysInfo::getSystemDirectory(), windows + "\\system32"));
    EXPECT_TRUE(tstrings::equalsIgnoreCase(SysInfo::getSystemWow64Directory(), windows + "\\syswow64"));
}

TEST(SysInfoTest, ProcessModulePathIsThisProgram) {
    EXPECT_EQ(SysInfo::getProcessModulePath(), testsupport::selfPath());
}

// A child started from a copy of this program in a deep folder reports its own path.
int reportModulePath(const std::vector<std::string>& arguments) {
    return SysInfo::getProcessModulePath() == arguments.at(0) ? 0 : 1;
}
const bool reportRegistered = testsupport::registerChildRoutine("module-path", &reportModulePath);

std::wstring widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

TEST(SysInfoTest, ModulePathLongerThanMaxPathIsReturnedWhole) {
    // The ANSI file functions stop at MAX_PATH, so the deep copy is made with the wide ones.
    testsupport::TempFolder folder;
    std::string deep = folder.path();
    while (deep.size() < 300) {
        deep += "\\" + std::string(40, 'd');
        ASSERT_TRUE(CreateDirectoryW(widen("\\\\?\\" + deep).c_str(), nullptr)) << deep;
    }
    const std::string copy = deep + "\\copy.exe";
    ASSERT_TRUE(CopyFileW(widen(testsupport::selfPath()).c_str(), widen("\\\\?\\" + copy).c_str(), FALSE));

    std::string commandLine = testsupport::childCommandLine("module-path", {copy});
    commandLine.replace(0, commandLine.find(' '), testsupport::quoteArgument(copy));
    std::wstring wideLine = widen(commandLine);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, wideLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info)) {
        GTEST_SKIP() << "this system cannot start a program whose path is " << copy.size()
                     << " characters long: CreateProcessW failed with error " << GetLastError();
    }
    WaitForSingleObject(info.hProcess, INFINITE);
    DWORD exitCode = 1;
    GetExitCodeProcess(info.hProcess, &exitCode);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    EXPECT_EQ(exitCode, 0u);
}

struct EnvCase {
    const char* name;
    const char* value;
};

TEST(SysInfoTest, EnvironmentValuesOfEveryLength) {
    const EnvCase cases[] = {
        {"VESK_TEST_EMPTY", ""},
        {"VESK_TEST_NINE", "123456789"},
        {"VESK_TEST_TEN", "1234567890"},
        {"VESK_TEST_LONG", "C:\\Program Files\\Veyra\\Vesk\\a value much longer than nine characters"},
    };
    for (const EnvCase& c : cases) {
        ASSERT_TRUE(SetEnvironmentVariableA(c.name, c.value));
        EXPECT_EQ(SysInfo::getEnvVariable(c.name), c.value) << c.name;
    }
}

TEST(SysInfoTest, MissingEnvironmentVariableThrows) {
    try {
        SysInfo::getEnvVariable("VESK_TEST_NOT_SET");
        FAIL() << "no exception";
    } catch (const SysError& error) {
        EXPECT_EQ(error.code(), static_cast<DWORD>(ERROR_ENVVAR_NOT_FOUND));
        EXPECT_NE(std::string(error.what())
                      .find("at SysInfo::getEnvVariable(): GetEnvironmentVariable(VESK_TEST_NOT_SET) failed. "
                            "Variable not set. System error [203]"),
                  std::string::npos)
            << error.what();
    }
}

TEST(SysInfoTest, CommonProgramFiles64ComesFromTheEnvironment) {
    char expected[MAX_PATH] = {};
    ASSERT_NE(GetEnvironmentVariableA("CommonProgramW6432", expected, MAX_PATH), 0u);
    EXPECT_EQ(SysInfo::getCommonProgramFiles64(), expected);

    // On 64-bit Windows the variable is required.
    ASSERT_TRUE(SetEnvironmentVariableA("CommonProgramW6432", nullptr));
    EXPECT_THROW(SysInfo::getCommonProgramFiles64(), SysError);
    SetEnvironmentVariableA("CommonProgramW6432", expected);
}

TEST(SysInfoTest, ShellFolderPath) {
    const std::string appData = SysInfo::SHGetFolderPathAdapter(CSIDL_COMMON_APPDATA, 0);
    EXPECT_TRUE(tstrings::equalsIgnoreCase(appData, "C:\\ProgramData")) << appData;
    EXPECT_EQ(SysInfo::SHGetFolderPathAdapter(CSIDL_COMMON_APPDATA, 1), appData);
}

TEST(SysInfoTest, ShellFolderFailureNamesFolderModeAndResult) {
    // An unknown folder id.
    try {
        SysInfo::SHGetFolderPathAdapter(0xff, 0);
        FAIL() << "no exception";
    } catch (const ComError& error) {
        EXPECT_TRUE(FAILED(error.hresult()));
        EXPECT_NE(std::string(error.what())
                      .find("at SysInfo::SHGetFolderPathAdapter(): SHGetFolderPath(0xff, mode=0): " +
                            comErrorPart(error.hresult())),
                  std::string::npos)
            << error.what();
    }
}

// The common application-data folder moved below a file, where it cannot be created.
TEST(SysInfoTest, CommonAppDataThatCannotBeCreated) {
    testsupport::TempFolder folder;
    const std::string blocker = folder.file("file");
    HANDLE file = CreateFileA(blocker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);

    const char* shellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, shellFolders, 0, KEY_READ | KEY_WRITE, &key), ERROR_SUCCESS);
    char saved[MAX_PATH] = {};
    DWORD savedSize = sizeof saved;
    DWORD savedType = 0;
    const bool hadValue = RegQueryValueExA(key, "Common AppData", nullptr, &savedType,
                                           reinterpret_cast<BYTE*>(saved), &savedSize) == ERROR_SUCCESS;
    const std::string moved = blocker + "\\appdata";
    RegSetValueExA(key, "Common AppData", 0, REG_SZ, reinterpret_cast<const BYTE*>(moved.c_str()),
                   static_cast<DWORD>(moved.size() + 1));

    std::string failure;
    std::string path;
    try {
        path = SysInfo::SHGetFolderPathAdapter(CSIDL_COMMON_APPDATA, 1);
    } catch (const ComError& error) {
        failure = error.what();
        EXPECT_NE(failure.find("SHGetFolderPath(0x23, mode=1): " + comErrorPart(error.hresult())),
                  std::string::npos)
            << failure;
    }
    if (hadValue) {
        RegSetValueExA(key, "Common AppData", 0, savedType, reinterpret_cast<const BYTE*>(saved), savedSize);
    } else {
        RegDeleteValueA(key, "Common AppData");
    }
    RegCloseKey(key);
    if (failure.empty()) {
        GTEST_SKIP() << "this system does not take the common application-data folder from the registry ("
                     << path << ")";
    }
}

TEST(SysInfoTest, PatchCacheOfEachRuntime) {
    const std::string base = SysInfo::SHGetFolderPathAdapter(CSIDL_COMMON_APPDATA, 1);
    const SysInfo::PatchCache cache64 = SysInfo::getPatchCache(64);
    EXPECT_EQ(cache64.base, base);
    EXPECT_EQ(cache64.relative, "Veyra\\Vesk\\installcache_x64");
    EXPECT_EQ(SysInfo::getPatchCache(32).relative, "Veyra\\Vesk\\installcache");

    for (int arch : {0, 48, 63, 86}) {
        try {
            SysInfo::getPatchCache(arch);
            ADD_FAILURE() << "no exception for " << arch;
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), "getPatchCache() failed, invalid arch passed");
        }
    }
}

}  // namespace

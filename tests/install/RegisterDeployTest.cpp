// The deployment registration entry and the marks written after it.
#include "install/RegisterDeploy.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "DeployHome.h"
#include "diag/DebugBreak.h"
#include "support/LogCapture.h"
#include "support/TestFiles.h"

namespace {

using deploytest::DeployHome;
using deploytest::loadConfig;
using testsupport::LogRecord;

std::vector<LogRecord> recordsAt(const std::vector<LogRecord>& records, const std::string& level) {
    std::vector<LogRecord> selected;
    for (const LogRecord& record : records) {
        if (record.level == level) {
            selected.push_back(record);
        }
    }
    return selected;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Registering sends the configuration's hints; unregistering the defaults, whatever the
// configuration says.
TEST(RegisterDeploy, RegistersAndUnregisters) {
    const DeployHome home;
    const auto config = loadConfig(L"WEB_VESK=Enable WEB_VESK_SECURITY_LEVEL=H");
    const auto records = testsupport::recordsOf([&] {
        EXPECT_EQ(RegisterDeploy(true, home.product(), *config), 0);
        EXPECT_EQ(RegisterDeploy(false, home.product(), *config), 0);
    });
    const std::string log = home.callLog();
    const std::size_t unregister = log.find("UnregisterDeployEx ");
    ASSERT_NE(unregister, std::string::npos) << log;
    EXPECT_EQ(log.rfind("RegisterDeployEx size=56 version=4 reserved=0 webVesk=1 securityLevel=2 installType=0 ", 0),
              0u)
        << log;
    const std::string defaults =
        "UnregisterDeployEx size=56 version=4 reserved=0 webVesk=0 securityLevel=0 installType=0 ";
    EXPECT_EQ(log.substr(unregister, defaults.size()), defaults) << log;
    EXPECT_TRUE(recordsAt(records, "ERROR").empty());
    bool unregisterLogged = false;
    for (const LogRecord& record : recordsAt(records, "TRACE")) {
        unregisterLogged |= record.message == home.bin("deploy.dll") +
                                                  "@UnregisterDeployEx(InstallHints(size=56; version=4), "
                                                  "version=0, command count=20) returned TRUE; command count=0";
    }
    EXPECT_TRUE(unregisterLogged);
}

// Every failure gives -1 and one logged exception of the entry.
TEST(RegisterDeploy, AnyFailureGivesMinusOneAndOneErrorLine) {
    struct Case {
        const char* name;
        bool install;
        const char* behaviour;  // null: deploy.dll is missing
        std::string text;       // part of the exception's text
    };
    const std::vector<Case> cases = {
        {"missing deploy.dll", true, nullptr, "LoadLibraryW({deploy}) failed."},
        {"missing deploy.dll, uninstall", false, nullptr, "LoadLibraryW({deploy}) failed."},
        {"FALSE", true, "result FALSE\n", "@RegisterDeployEx(InstallHints(size=56; version=4), version=0, "
                                          "command count=20) returned FALSE"},
        {"too many commands", false, "count 21\n", "cmds.cmdCnt=21 should be less or equal to cmds.maxCmds=20"},
        {"refused command", true, "command 2 relative.txt\n",
         "Refused to delete [relative.txt]: the path is not fully qualified"},
    };
    const auto config = loadConfig(L"");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DeployHome home;
        if (c.behaviour) {
            home.behave(c.behaviour);
        } else {
            ASSERT_TRUE(DeleteFileA(home.bin("deploy.dll").c_str()));
        }
        std::int32_t result = 0;
        const auto records =
            testsupport::recordsOf([&] { result = RegisterDeploy(c.install, home.product(), *config); });
        EXPECT_EQ(result, -1);
        const std::vector<LogRecord> errors = recordsAt(records, "ERROR");
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_EQ(errors[0].function, "RegisterDeploy");
        EXPECT_EQ(errors[0].file, "RegisterDeploy.cpp");
        std::string text = c.text;
        if (const std::size_t at = text.find("{deploy}"); at != std::string::npos) {
            text.replace(at, 8, home.bin("deploy.dll"));
        }
        EXPECT_EQ(errors[0].message.rfind("Exception with message '", 0), 0u) << errors[0].message;
        EXPECT_TRUE(contains(errors[0].message, text)) << errors[0].message;
        EXPECT_EQ(errors[0].message.substr(errors[0].message.size() - 8), "' caught");
        EXPECT_EQ(GetModuleHandleA(home.bin("deploy.dll").c_str()), nullptr);
    }
}

// The marks go below the built-in runtime's version key in the view of this 64-bit
// process, and nowhere else.
TEST(RegisterDeployMarks, GoToTheViewOfTheProcess) {
    const char* versionKey = "Software\\VeskSoft\\Vesk Runtime Environment\\1.8.0_321";
    setInstallModeMark("S");
    setEulaMark();

    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, versionKey, 0, KEY_READ | KEY_WOW64_64KEY, &key), ERROR_SUCCESS);
    char mode[8] = {};
    DWORD size = sizeof mode;
    DWORD type = 0;
    EXPECT_EQ(RegGetValueA(key, "MSI", "MODE", RRF_RT_ANY, &type, mode, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::string(mode), "S");
    DWORD eula = 0;
    size = sizeof eula;
    EXPECT_EQ(RegGetValueA(key, nullptr, "Eula", RRF_RT_ANY, &type, &eula, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(eula, 1u);
    RegCloseKey(key);

    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, versionKey, 0, KEY_READ | KEY_WOW64_32KEY, &key),
              ERROR_FILE_NOT_FOUND);
}

struct ShownBox {
    int count = 0;
    std::wstring text;
    bool libraryLoaded = false;
    bool libraryCalled = false;
};
ShownBox shown;
const DeployHome* boxHome = nullptr;

int WINAPI recordBox(HWND, LPCWSTR text, LPCWSTR, UINT) {
    shown.count++;
    shown.text = text;
    shown.libraryLoaded = GetModuleHandleA(boxHome->bin("deploy.dll").c_str()) != nullptr;
    shown.libraryCalled = boxHome->called();
    return IDOK;
}

// With REGDEPLOY_INSTALL_DEBUG set the entry stops before it loads the library, and goes
// on once the box is closed.
TEST(RegisterDeployDebugBreak, StopsBeforeTheLibraryLoads) {
    const DeployHome home;
    const auto config = loadConfig(L"");
    boxHome = &home;
    const auto original = debugBreakMessageBox;
    debugBreakMessageBox = &recordBox;
    ASSERT_TRUE(SetEnvironmentVariableA("REGDEPLOY_INSTALL_DEBUG", ""));
    const std::int32_t result = RegisterDeploy(true, home.product(), *config);
    SetEnvironmentVariableA("REGDEPLOY_INSTALL_DEBUG", nullptr);
    debugBreakMessageBox = original;

    EXPECT_EQ(shown.count, 1);
    const std::wstring reason = L") at RegisterDeploy(): debug break. Reason: environment variable "
                                L"REGDEPLOY_INSTALL_DEBUG is set.";
    EXPECT_NE(shown.text.find(reason), std::wstring::npos);
    EXPECT_EQ(shown.text.rfind(L"RegisterDeploy.cpp(", 0), 0u);
    EXPECT_FALSE(shown.libraryLoaded);
    EXPECT_FALSE(shown.libraryCalled);
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(home.called());

    // Without the variable no box stops the entry.
    EXPECT_EQ(RegisterDeploy(false, home.product(), *config), 0);
    EXPECT_EQ(shown.count, 1);
}

}  // namespace

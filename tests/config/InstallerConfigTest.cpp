// installer.exe itself, run as a child, through its configuration phase: the test hook,
// a failed load, a failed export, the German texts and the variant that carries the
// base image. Each scenario runs in a Wine prefix of its own.
#include <gtest/gtest.h>

#include <windows.h>
// after windows.h
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

#include "diag/Logger.h"
#include "diag/tstrings.h"
#include "support/ChildProcess.h"
#include "support/LogRecords.h"
#include "support/TempFolder.h"
#include "support/RuntimeSettingsFile.h"
#include "support/TestFiles.h"

namespace {

std::string installer;          // installer.exe, without resource 6
std::string installerWithBase;  // the variant that carries resource 6

using testsupport::runtimeSettingsPath;
using testsupport::writeRuntimeSettings;

struct InstallerRun {
    DWORD exitCode = 0;
    std::vector<std::string> messages;

    bool logged(const std::string& message) const {
        return std::find(messages.begin(), messages.end(), message) != messages.end();
    }
};

InstallerRun runInstaller(const std::string& program, const std::vector<std::string>& arguments) {
    InstallerRun run;
    const std::string log = Logger::instance().path();
    const std::vector<testsupport::LogRecord> records = testsupport::recordsAddedBy(log, [&] {
        run.exitCode = testsupport::runChild(testsupport::buildCommandLine(program, arguments));
    });
    for (const testsupport::LogRecord& record : records) run.messages.push_back(record.message);
    return run;
}

const char* const kOpenFailed =
    "Unable to install Vesk\n\nUnable to open file <path_to_config_file>.\nCheck that the configuration file "
    "exists and that the path to the file is correct.";

// The hook shows the message of its code and ends with 0 before anything is exported.
TEST(InstallerConfig, TestHookShowsTheMessageAndExits) {
    const InstallerRun run = runInstaller(installer, {"TEST_CONFIG_FILE_ERRORS=304", "AUTO_UPDATE=Disable"});
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(run.logged("TEST_CONFIG_FILE_ERRORS enabled."));
    EXPECT_TRUE(run.logged("Show error 304"));
    EXPECT_TRUE(run.logged(kOpenFailed));
    EXPECT_FALSE(testsupport::pathExists(runtimeSettingsPath())) << "exported although the hook ran";
}

TEST(InstallerConfig, TestHookWithCodeZero) {
    const InstallerRun run = runInstaller(installer, {"TEST_CONFIG_FILE_ERRORS=0"});
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(run.logged("Show error 0"));
    EXPECT_FALSE(run.logged("...Exporting config settings"));
}

TEST(InstallerConfig, MalformedInstallConfigurationFileEndsTheRun) {
    testsupport::TempFolder folder;
    const std::string cfg = folder.file("install.cfg");
    testsupport::writeFileText(cfg, "INSTALL_SILENT=Enable\r\nEULA=Enable\r\nEULA\r\n");
    const InstallerRun run = runInstaller(installer, {"/s", "INSTALLCFG=" + cfg});
    EXPECT_EQ(run.exitCode, 61015u);
    EXPECT_TRUE(run.logged("Unable to install Vesk\n\nConfiguration file " + cfg +
                           " is malformed in line 3.\nCheck data and formatting of the file."));
    EXPECT_TRUE(run.logged("Error occurred while loading configuration settings. Exiting installer."));
}

// The export runs before detection, so the kept key is in the file although the run then
// ends without a product to install.
TEST(InstallerConfig, ExportedKeysReachTheRuntimeSettingsFile) {
    const InstallerRun run =
        runInstaller(installer, {"/s", "AUTO_UPDATE=Disable", "INSTALLDIR=C:\\Vesk", "ProductCode=x"});
    EXPECT_EQ(run.exitCode, 610017u);
    EXPECT_EQ(testsupport::readFileBytes(runtimeSettingsPath()), "AUTO_UPDATE=Disable\n");
}

// Detection finds no installed product of that code: the run ends with the generic code,
// names the code in the log and never prepares the patch cache.
TEST(InstallerConfig, UnknownProductCodeEndsTheRunBeforeTheInstall) {
    const std::string code = "{0BAD0000-1111-2222-3333-444455556666}";
    const InstallerRun run = runInstaller(installer, {"/s", "ProductCode=" + code});
    EXPECT_EQ(run.exitCode, 610017u);
    const std::string expected =
        "No matching Vesk found for " + code + " Product Code in the given products range' caught";
    EXPECT_TRUE(std::any_of(run.messages.begin(), run.messages.end(), [&](const std::string& message) {
        return message.starts_with("Exception with message '") && message.ends_with(expected);
    })) << testing::PrintToString(run.messages);
    char appData[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, appData);
    EXPECT_FALSE(testsupport::pathExists(std::string(appData) + "\\Veyra"));
}

// Another program reads the runtime settings file and lets nobody write it.
TEST(InstallerConfig, UnwritableRuntimeSettingsFileEndsTheRun) {
    writeRuntimeSettings("AUTO_UPDATE=Enable\n");
    const HANDLE reader = CreateFileA(runtimeSettingsPath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE) << GetLastError();
    const InstallerRun run = runInstaller(installer, {"/s", "AUTO_UPDATE=Disable"});
    CloseHandle(reader);
    EXPECT_EQ(run.exitCode, 61016u);
    EXPECT_TRUE(
        run.logged("Unable to install Vesk\n\nWriting to the runtime configuration file failed.\nCheck "
                   "permissions and settings."));
    EXPECT_TRUE(run.logged("Error occurred while exporting configuration settings. Exiting installer."));
    EXPECT_EQ(testsupport::readFileBytes(runtimeSettingsPath()), "AUTO_UPDATE=Enable\n");
}

// Run with LC_ALL=de_DE.UTF-8: the messages are the German ones, in the ANSI code page.
TEST(InstallerConfig, GermanTexts) {
    const InstallerRun run = runInstaller(installer, {"TEST_CONFIG_FILE_ERRORS=304"});
    EXPECT_EQ(run.exitCode, 0u);
    const std::string german = tstrings::utf8ToAnsi(
        "Vesk kann nicht installiert werden\n\nDie Datei <path_to_config_file> kann nicht ge\xC3\xB6"
        "ffnet werden.\nPr\xC3\xBC"
        "fen Sie, ob die Konfigurationsdatei vorhanden und der Pfad zur Datei korrekt ist.");
    EXPECT_TRUE(run.logged(german)) << "code page " << GetACP();
}

// Keys of the enterprise variant are refused by the module that carries resource 6.
TEST(InstallerConfig, EnterpriseKeyRefusedByTheVariantWithResource6) {
    testsupport::TempFolder folder;
    const std::string tracker = folder.file("usagetracker.properties");
    testsupport::writeFileText(tracker, "vesk.tracker=on\n");
    const InstallerRun refused = runInstaller(installerWithBase, {"/s", "USAGETRACKER_CFG=" + tracker});
    EXPECT_EQ(refused.exitCode, 61015u);
    EXPECT_TRUE(refused.logged("The param is not supported."));
    EXPECT_TRUE(
        refused.logged("Unable to install Vesk\n\nThere are errors in the following switches:\n"
                       "\"USAGETRACKER_CFG\";.\n\nCheck that the commands are valid and try again."));

    const InstallerRun accepted = runInstaller(installer, {"/s", "USAGETRACKER_CFG=" + tracker});
    EXPECT_EQ(accepted.exitCode, 610017u) << "the load passes and the run stops at detection";
    EXPECT_FALSE(accepted.logged("The param is not supported."));
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s installer.exe installer_with_base.exe\n", argv[0]);
        return 2;
    }
    installer = argv[1];
    installerWithBase = argv[2];
    return RUN_ALL_TESTS();
}

// Filling the configuration from the command line, the install configuration file and
// the runtime settings file, as the user sees it: results, message boxes and the log.
#include "ConfigFixture.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "support/HeldFile.h"
#include "support/LogCapture.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

namespace configtest {
namespace {

using LoadConfigTest = ConfigTest;

std::wstring wide(const std::string& ansi) { return std::wstring(ansi.begin(), ansi.end()); }

std::size_t indexOf(const std::vector<std::string>& messages, const std::string& message,
                    std::size_t from = 0) {
    const auto found =
        std::find(messages.begin() + static_cast<std::ptrdiff_t>(from), messages.end(), message);
    return static_cast<std::size_t>(found - messages.begin());
}

TEST_F(LoadConfigTest, RuntimeSettingsAreMergedButNeverTheirSilentMode) {
    writeRuntimeSettings("AUTO_UPDATE=Disable\nINSTALL_SILENT=Enable\nINSTALLDIR=C:\\Kept\n");
    int result = -1;
    const auto config = load(L"", result);
    ASSERT_EQ(result, 0);
    EXPECT_FALSE(config->IsEnabled(BoolKey::AUTO_UPDATE));
    EXPECT_FALSE(config->IsKeySet("INSTALL_SILENT"));
    EXPECT_FALSE(config->IsSilent());
    EXPECT_EQ(config->GetString(StringKey::INSTALLDIR), "C:\\Kept");
}

// The command line is read first for the path of the install configuration file, and
// again after that file, so that it wins. CMDLINE carries what was given, no defaults.
TEST_F(LoadConfigTest, SilentInstallDirAndInstallConfigurationFileInTheirOrder) {
    testsupport::TempFolder folder;
    const std::string cfg = folder.file("c.cfg");
    testsupport::writeFileText(cfg, "INSTALLDIR=C:\\FromFile\r\nEULA=Enable\r\n");
    int result = -1;
    std::unique_ptr<InstallConfigData> config;
    const std::vector<std::string> messages = testsupport::logMessagesOf(
        [&] { config = load(L"/s INSTALLDIR=C:\\X INSTALLCFG=" + wide(cfg), result); });
    ASSERT_EQ(result, 0);
    EXPECT_TRUE(config->IsSilent());
    EXPECT_EQ(config->GetString(StringKey::INSTALLDIR), "C:\\X");
    EXPECT_TRUE(config->IsEnabled(BoolKey::EULA));
    EXPECT_EQ(config->GetString(StringKey::CMDLINE),
              "EULA=\"Enable\" INSTALLDIR=\"C:\\X\" INSTALLCFG=\"" + cfg + "\"");

    const std::size_t working = indexOf(messages, "-->Loading Config...");
    const std::size_t file = indexOf(messages, "...Importing Install Configuration file", working);
    const std::size_t arguments = indexOf(messages, "...Importing command line arguments", file);
    EXPECT_LT(indexOf(messages, "Path to the install configuration file is set to " + cfg), working);
    EXPECT_LT(arguments, messages.size());
    EXPECT_LT(indexOf(messages, "-->Loading export config...", arguments), messages.size());
}

TEST_F(LoadConfigTest, MsiPassThroughInCommandLineOrder) {
    int result = -1;
    const auto config = load(L"REBOOT=ReallySuppress /qn", result);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(config->GetString(StringKey::MSI_CMDLINE), "REBOOT=ReallySuppress /qn");
    EXPECT_EQ(config->GetString(StringKey::REBOOT), "ReallySuppress");
    EXPECT_TRUE(config->IsKeySet("/q"));
    EXPECT_FALSE(config->IsKeySet("/qn"));
}

// Every refused argument is listed in one message; the result is the last one's code.
TEST_F(LoadConfigTest, RefusedArgumentsShareOneMessage) {
    struct Case {
        std::wstring arguments;
        std::string listed;
    };
    const Case cases[] = {
        {L"FOO=1 INSTALL_SILENT=yes", "\"FOO=1\";\"INSTALL_SILENT=yes\";"},
        {L"INSTALLCFG=c.cfg", "\"INSTALLCFG=c.cfg\";"},
        {L"/S", "\"/S\";"},
        {L"REBOOT=Force /l", "\"/l\";"},
        {L"TEST_WELCOME_DIALOGMOS=1", "\"TEST_WELCOME_DIALOGMOS=1\";"},
        // A quote would end a CMDLINE value early and a line break would make two lines:
        // both would let one argument set another key.
        {L"INSTALLDIR=\"C:\\a\\\" REPAIRMODE=\\\"1\"", "\"INSTALLDIR=C:\\a\" REPAIRMODE=\"1\";"},
        {L"\"ProductCode=x\nREPAIRMODE=1\"", "\"ProductCode=x\nREPAIRMODE=1\";"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.listed);
        BoxRecorder recorder;
        int result = -1;
        const auto config = load(c.arguments, result);
        EXPECT_EQ(result, 313);
        ASSERT_EQ(recorder.boxes().size(), 1u);
        EXPECT_EQ(recorder.boxes()[0].text, message(3089, c.listed));
        EXPECT_EQ(recorder.boxes()[0].caption, message(3073));
        EXPECT_EQ(recorder.boxes()[0].style, static_cast<UINT>(MB_ICONERROR));
        EXPECT_FALSE(config->IsKeySet("REPAIRMODE"));
    }
}

TEST_F(LoadConfigTest, LogSwitchConsumesItsPath) {
    int result = -1;
    const auto config = load(L"/l C:\\install.log INSTALLDIR=C:\\X", result);
    ASSERT_EQ(result, 0);
    EXPECT_FALSE(config->IsKeySet("/l"));
    EXPECT_EQ(config->GetString(StringKey::INSTALLDIR), "C:\\X");
    EXPECT_FALSE(config->IsKeySet("MSI_CMDLINE"));
}

TEST_F(LoadConfigTest, UsageTrackerFileInBothVariants) {
    testsupport::TempFolder folder;
    const std::string tracker = folder.file("tracker.properties");
    testsupport::writeFileText(tracker, "a=b\n");
    int result = -1;
    EXPECT_EQ(
        load(L"USAGETRACKER_CFG=" + wide(tracker), result, true)->GetString(StringKey::USAGETRACKER_CFG),
        tracker);
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(boxes.boxes().empty());

    load(L"USAGETRACKER_CFG=" + wide(tracker), result, false);
    EXPECT_EQ(result, 3090);
    load(L"USAGETRACKER_CFG=" + wide(folder.file("missing.properties")), result, true);
    EXPECT_EQ(result, 307);
    ASSERT_EQ(boxes.boxes().size(), 2u);
    EXPECT_EQ(boxes.boxes()[0].text, message(3089, "\"USAGETRACKER_CFG\";"));
    EXPECT_EQ(boxes.boxes()[1].text, message(3081, "\"USAGETRACKER_CFG\";"));
}

// Lines of either settings file that the installer refuses, with the line shown.
TEST_F(LoadConfigTest, MalformedSettingsFilesNameTheirLine) {
    testsupport::TempFolder folder;
    const std::string cfg = folder.file("c.cfg");
    struct Case {
        bool runtimeFile;
        std::string content;
        std::string line;
    };
    const Case cases[] = {
        {false, "EULA=Enable\nFOO=1\n", "2"},
        {false, "# comment\r\nEULA=Enable\r\nSTATIC\r\n", "3"},
        {false, "ProductCode=a\nEULA=1\nProductCode=x\" REPAIRMODE=\"1\n", "3"},
        // A key-only line is refused in the runtime settings file too, by every load.
        {true, "AUTO_UPDATE=Disable\nEULA\n", "2"},
        {true, "INSTALLDIR=C:\\a\" STATIC=\"1\n", "1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content);
        SetUp();
        BoxRecorder recorder;
        int result = -1;
        if (c.runtimeFile) {
            writeRuntimeSettings(c.content);
            load(L"", result);
        } else {
            testsupport::writeFileText(cfg, c.content);
            load(L"INSTALLCFG=" + wide(cfg), result);
        }
        EXPECT_EQ(result, 313);
        ASSERT_EQ(recorder.boxes().size(), 1u);
        EXPECT_EQ(recorder.boxes()[0].text,
                  message(3079, c.runtimeFile ? runtimeSettingsPath() : cfg, c.line));
        if (c.runtimeFile) {
            EXPECT_EQ(readRuntimeSettings(), c.content);
        }
    }
}

TEST_F(LoadConfigTest, FilesMaySetTheDialogKeyThatArgumentsMayNot) {
    testsupport::TempFolder folder;
    const std::string cfg = folder.file("c.cfg");
    testsupport::writeFileText(cfg, "TEST_WELCOME_DIALOGMOS=1\n");
    int result = -1;
    const auto config = load(L"INSTALLCFG=" + wide(cfg), result);
    ASSERT_EQ(result, 0);
    EXPECT_TRUE(config->IsKeyOn(BoolKey::TEST_WELCOME_DIALOGMOS));
}

// Silent mode given by the install configuration file counts for the checks after it:
// an unattended run never waits on a box.
TEST_F(LoadConfigTest, SilentModeFromTheInstallConfigurationFile) {
    testsupport::TempFolder folder;
    const std::string cfg = folder.file("c.cfg");
    testsupport::writeFileText(cfg, "INSTALL_SILENT=Enable\n");
    int result = -1;
    load(L"INSTALLCFG=" + wide(cfg) + L" USAGETRACKER_CFG=" + wide(folder.file("none")), result);
    EXPECT_EQ(result, 307);
    EXPECT_TRUE(boxes.boxes().empty());

    const std::vector<std::string> messages = testsupport::logMessagesOf([&] { load(L"/s FOO=1", result); });
    EXPECT_EQ(result, 313);
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_NE(std::find(messages.begin(), messages.end(), message(3089, "\"FOO=1\";")), messages.end());
}

// A runtime settings file that another program holds is waited for a moment; one that
// stays unreadable ends the load and is left as it is.
TEST_F(LoadConfigTest, RuntimeSettingsHeldByAnotherProcess) {
    const std::string content = "AUTO_UPDATE=Disable\nSPONSORS=Disable\n";
    writeRuntimeSettings(content);
    {
        auto held = std::make_unique<testsupport::HeldFile>(runtimeSettingsPath());
        std::thread release([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            held.reset();
        });
        int result = -1;
        const auto config = load(L"EULA=1", result);
        release.join();
        EXPECT_EQ(result, 0);
        EXPECT_FALSE(config->IsEnabled(BoolKey::AUTO_UPDATE));
        EXPECT_TRUE(boxes.boxes().empty());
    }
    {
        testsupport::HeldFile held(runtimeSettingsPath());
        int result = -1;
        const auto config = load(L"EULA=1", result);
        EXPECT_EQ(result, 304);
        ASSERT_EQ(boxes.boxes().size(), 1u);
        EXPECT_EQ(boxes.boxes()[0].text, message(3075, runtimeSettingsPath()));
    }
    EXPECT_EQ(readRuntimeSettings(), content);
}

TEST_F(LoadConfigTest, MissingInstallConfigurationFile) {
    testsupport::TempFolder folder;
    int result = -1;
    load(L"INSTALLCFG=" + wide(folder.file("none.cfg")), result);
    EXPECT_EQ(result, 304);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, message(3075, folder.file("none.cfg")));
}

}  // namespace
}  // namespace configtest

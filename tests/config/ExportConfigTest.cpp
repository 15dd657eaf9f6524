// Writing the runtime settings file back: the kept keys before the install, the old
// content after a failed one.
#include "ConfigFixture.h"

#include <algorithm>

#include "support/LogCapture.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

namespace configtest {
namespace {

using ExportConfigTest = ConfigTest;

std::wstring wide(const std::string& ansi) { return std::wstring(ansi.begin(), ansi.end()); }

// Only the exported keys that a source gave reach the file: no defaults, no keys of
// other rows, not the dialog key that only files may set.
TEST_F(ExportConfigTest, WritesExactlyTheGivenExportedKeys) {
    testsupport::TempFolder folder;
    const std::string cfg = folder.file("c.cfg");
    testsupport::writeFileText(cfg, "NOSTARTMENU=1\nTEST_WELCOME_DIALOGMOS=1\nINSTALLDIR=C:\\X\n");
    int result = -1;
    const auto config = load(L"AUTO_UPDATE=Disable REBOOT=Force INSTALLCFG=" + wide(cfg), result);
    ASSERT_EQ(result, 0);
    ASSERT_EQ(config->ExportConfigChanges(), 0);
    EXPECT_EQ(readRuntimeSettings(), "AUTO_UPDATE=Disable\nNOSTARTMENU=1\n");
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(ExportConfigTest, NothingNewLeavesTheFileAlone) {
    const std::string content = "AUTO_UPDATE=Disable\r\n";
    writeRuntimeSettings(content);
    int result = -1;
    const auto config = load(L"AUTO_UPDATE=0", result);
    ASSERT_EQ(result, 0);
    const std::vector<std::string> messages =
        testsupport::logMessagesOf([&] { EXPECT_EQ(config->ExportConfigChanges(), 0); });
    EXPECT_NE(std::find(messages.begin(), messages.end(), "Nothing new to export to runtime."),
              messages.end());
    EXPECT_EQ(readRuntimeSettings(), content);
}

TEST_F(ExportConfigTest, AnEmptyExportDeletesTheFile) {
    writeRuntimeSettings("INSTALLDIR=C:\\Old\nTEST_WELCOME_DIALOGMOS=1\n");
    int result = -1;
    const auto config = load(L"", result);
    ASSERT_EQ(result, 0);
    ASSERT_EQ(config->ExportConfigChanges(), 0);
    EXPECT_FALSE(runtimeSettingsExist());
}

// After a failed install the file holds its keys and values again. The library writes
// its own form (sorted keys, key=value, CR LF when it rewrites a file), so a file in
// that form comes back byte for byte.
TEST_F(ExportConfigTest, RestorePutsTheFoundSettingsBack) {
    const std::string content = "AUTO_UPDATE=Enable\r\nEULA=1\r\nSPONSORS=Disable\r\n";
    writeRuntimeSettings(content);
    int result = -1;
    const auto config = load(L"/s AUTO_UPDATE=Disable NOSTARTMENU=Enable", result);
    ASSERT_EQ(result, 0);
    ASSERT_EQ(config->ExportConfigChanges(), 0);
    EXPECT_EQ(readRuntimeSettings(),
              "AUTO_UPDATE=Disable\r\nEULA=1\r\nNOSTARTMENU=Enable\r\nSPONSORS=Disable\r\n");
    EXPECT_EQ(config->RestoreConfigSettings(), 0);
    EXPECT_EQ(readRuntimeSettings(), content);

    // A file that did not exist before the install does not exist after it failed.
    SetUp();
    const auto fresh = load(L"EULA=Enable", result);
    ASSERT_EQ(fresh->ExportConfigChanges(), 0);
    EXPECT_EQ(readRuntimeSettings(), "EULA=Enable\n");
    EXPECT_EQ(fresh->RestoreConfigSettings(), 0);
    EXPECT_FALSE(runtimeSettingsExist());
}

// Another program reads the file and lets nobody write it meanwhile.
TEST_F(ExportConfigTest, UnwritableFileIsReported) {
    writeRuntimeSettings("AUTO_UPDATE=Enable\n");
    const HANDLE reader = CreateFileA(runtimeSettingsPath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE) << GetLastError();
    int result = -1;
    auto config = load(L"AUTO_UPDATE=Disable", result);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(config->ExportConfigChanges(), 306);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, message(3080));

    config = load(L"/s AUTO_UPDATE=Disable", result);
    EXPECT_EQ(config->ExportConfigChanges(), 306);
    // The restore after a failed install is always silent.
    EXPECT_EQ(config->RestoreConfigSettings(), 306);
    EXPECT_EQ(boxes.boxes().size(), 1u);
    CloseHandle(reader);
    EXPECT_EQ(readRuntimeSettings(), "AUTO_UPDATE=Enable\n");
}

// Repair deletes the file after the export. With nothing new exported the restore after
// a failed install still puts it back, and a repair that ends well writes the kept keys
// again (both as a new file, in the library's form); without a deletion the rewrite
// leaves the file alone.
struct DeletionCase {
    const char* name;
    bool deleted;
    bool installFailed;
    const char* expected;  // the file afterwards; null when there is none
};

class DeletedAfterExport : public ConfigTest, public testing::WithParamInterface<DeletionCase> {};

TEST_P(DeletedAfterExport, FileComesBack) {
    const DeletionCase& scenario = GetParam();
    const std::string content = "AUTO_UPDATE=Disable\r\n";
    writeRuntimeSettings(content);
    int result = -1;
    const auto config = load(L"AUTO_UPDATE=Disable", result);
    ASSERT_EQ(result, 0);
    ASSERT_EQ(config->ExportConfigChanges(), 0);
    if (scenario.deleted) {
        ASSERT_EQ(config->CleanConfigSettings(), 0);
    }
    EXPECT_EQ(scenario.installFailed ? config->RestoreConfigSettings() : config->RewriteConfigChanges(), 0);
    if (scenario.expected) {
        ASSERT_TRUE(runtimeSettingsExist());
        EXPECT_EQ(readRuntimeSettings(), scenario.expected);
    } else {
        EXPECT_FALSE(runtimeSettingsExist());
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, DeletedAfterExport,
                         testing::Values(DeletionCase{"RestoredAfterAFailedInstall", true, true,
                                                      "AUTO_UPDATE=Disable\n"},
                                         DeletionCase{"WrittenAgainAfterASuccessfulOne", true, false,
                                                      "AUTO_UPDATE=Disable\n"},
                                         DeletionCase{"UntouchedWithoutADeletion", false, false,
                                                      "AUTO_UPDATE=Disable\r\n"}),
                         [](const testing::TestParamInfo<DeletionCase>& info) { return info.param.name; });

}  // namespace
}  // namespace configtest

// The entry's configuration steps bound to the install configuration.
#include "app/ProductionSteps.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/ConfigError.h"

namespace {

std::vector<std::string> boxes;

int WINAPI recordBox(HWND, LPCSTR text, LPCSTR, UINT) {
    boxes.push_back(text);
    return IDOK;
}

// The test hook's message follows the run's silent mode like every other message: an
// unattended run never waits on a box.
TEST(ProductionSteps, TestHookMessageIsSilentInASilentRun) {
    configErrorMessageBox = &recordBox;
    struct Case {
        const wchar_t* commandLine;
        std::size_t boxes;
    };
    const Case cases[] = {
        {L"installer.exe TEST_CONFIG_FILE_ERRORS=304", 1},
        {L"installer.exe /s TEST_CONFIG_FILE_ERRORS=304", 0},
        {L"installer.exe INSTALL_SILENT=1 TEST_CONFIG_FILE_ERRORS=0x130", 0},
    };
    for (const Case& c : cases) {
        boxes.clear();
        ProductionSteps steps(GetModuleHandleA(nullptr));
        steps.createConfiguration();
        ASSERT_EQ(steps.loadConfigSettings(c.commandLine), 0);
        ASSERT_TRUE(steps.isConfigErrorTestRequested());
        EXPECT_EQ(steps.configErrorTestCode(), 304);
        steps.showConfigError(steps.configErrorTestCode());
        EXPECT_EQ(boxes.size(), c.boxes);
    }
    configErrorMessageBox = &MessageBoxA;
}

TEST(ProductionSteps, RepairModeComesFromTheConfiguration) {
    ProductionSteps steps(GetModuleHandleA(nullptr));
    steps.createConfiguration();
    ASSERT_EQ(steps.loadConfigSettings(L"installer.exe /s REPAIRMODE=Enable"), 0);
    EXPECT_TRUE(steps.isRepairMode());
    ProductionSteps plain(GetModuleHandleA(nullptr));
    plain.createConfiguration();
    ASSERT_EQ(plain.loadConfigSettings(L"installer.exe /s"), 0);
    EXPECT_FALSE(plain.isRepairMode());
}

}  // namespace

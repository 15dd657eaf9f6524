#include "diag/DebugBreak.h"

#include <gtest/gtest.h>

#include <string>

#include "diag/ProcessName.h"

namespace {

constexpr const char* variable = "VESK_TEST_INSTALL_DEBUG";

struct ShownBox {
    int count = 0;
    HWND owner = nullptr;
    std::wstring text;
    std::wstring caption;
    UINT type = 0;
};
ShownBox shown;

int WINAPI recordBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    shown = {shown.count + 1, owner, text, caption, type};
    return IDOK;
}

class DebugBreakTest : public ::testing::Test {
protected:
    void SetUp() override {
        shown = {};
        original_ = debugBreakMessageBox;
        debugBreakMessageBox = &recordBox;
    }
    void TearDown() override {
        debugBreakMessageBox = original_;
        SetEnvironmentVariableA(variable, nullptr);
    }

private:
    decltype(&MessageBoxW) original_ = nullptr;
};

TEST_F(DebugBreakTest, UnsetVariableShowsNothing) {
    ASSERT_TRUE(SetEnvironmentVariableA(variable, nullptr) || GetLastError() == ERROR_ENVVAR_NOT_FOUND);
    debugBreakIfRequested(VDS_LOCATION("WinMain"), variable);
    EXPECT_EQ(shown.count, 0);
}

TEST_F(DebugBreakTest, AnySetValueShowsTheBox) {
    for (const char* value : {"", "1", "a value longer than the lookup buffer"}) {
        shown = {};
        ASSERT_TRUE(SetEnvironmentVariableA(variable, value));
        // A stale "not found" from an earlier call must not hide an empty value.
        SetLastError(ERROR_ENVVAR_NOT_FOUND);
        const SourceLocation location = VDS_LOCATION("WinMain");
        debugBreakIfRequested(location, variable);

        ASSERT_EQ(shown.count, 1) << "value '" << value << "'";
        EXPECT_EQ(shown.owner, nullptr);
        const std::string expectedText = "DebugBreakTest.cpp(" + std::to_string(location.line) +
                                         ") at WinMain(): debug break. Reason: environment variable " +
                                         variable + " is set.";
        EXPECT_EQ(shown.text, std::wstring(expectedText.begin(), expectedText.end()));
        const std::string expectedCaption = "Vesk installer: " + processName();
        EXPECT_EQ(shown.caption, std::wstring(expectedCaption.begin(), expectedCaption.end()));
        EXPECT_EQ(shown.type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION | MB_TASKMODAL));
    }
}

}  // namespace

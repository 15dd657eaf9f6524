// The messages of the configuration result codes, through the message-box seam.
#include "ConfigFixture.h"

#include "config/ConfigError.h"
#include "support/LogCapture.h"

namespace configtest {
namespace {

using ConfigErrorTest = ConfigTest;

// Every row of the code table: the string shown, what goes into its %s places, and
// whether a box appears at all.
TEST_F(ConfigErrorTest, EveryCodeShowsItsMessage) {
    struct Row {
        int code;
        UINT id;  // 0: nothing but a log line
        bool detail;
        bool box;
    };
    const Row rows[] = {
        {200, 3082, false, true},  {300, 3086, false, false}, {304, 3075, true, true},
        {305, 3078, true, true},   {306, 3080, false, true},  {307, 3081, true, true},
        {308, 3083, false, false}, {309, 3084, false, false}, {310, 3074, false, true},
        {311, 3077, false, true},  {312, 3087, false, true},  {313, 3079, true, true},
        {314, 3076, true, true},   {315, 3088, true, true},   {3090, 3089, true, true},
        {301, 0, false, false},    {1, 0, false, false},      {-5, 0, false, false},
    };
    const auto config = makeConfig();
    const std::string detail = "C:\\cfg\\install.cfg";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.code);
        BoxRecorder recorder;
        bool shown = true;
        const std::vector<std::string> messages = testsupport::logMessagesOf([&] {
            shown =
                configerror::ShowConfigError(config->module(), config->workingSet(), row.code, detail, false);
        });
        EXPECT_FALSE(shown);
        const std::string expected =
            row.id == 0 ? "Unknown Error code " + std::to_string(row.code)
                        : message(row.id, row.detail ? detail : "", row.code == 313 ? "<line number>" : "");
        ASSERT_FALSE(messages.empty());
        EXPECT_EQ(messages.back(), expected);
        ASSERT_EQ(recorder.boxes().size(), row.box ? 1u : 0u);
        if (row.box) {
            EXPECT_EQ(recorder.boxes()[0].text, expected);
            EXPECT_EQ(recorder.boxes()[0].caption, "Vesk Installation Not Completed");
            EXPECT_EQ(recorder.boxes()[0].style, static_cast<UINT>(MB_ICONERROR));
        }

        // Silent: the same log line, never a box.
        const std::vector<std::string> silent = testsupport::logMessagesOf([&] {
            configerror::ShowConfigError(config->module(), config->workingSet(), row.code, detail, true);
        });
        EXPECT_EQ(silent.back(), expected);
        EXPECT_EQ(recorder.boxes().size(), row.box ? 1u : 0u);
    }
    EXPECT_TRUE(configerror::ShowConfigError(config->module(), config->workingSet(), 0, detail, false));
    EXPECT_EQ(message(3086), "IDS_ERROR_INVALID_PARAMETER");
}

TEST_F(ConfigErrorTest, TheRecordedLineOfTheLastLoad) {
    int result = -1;
    const auto config = load(L"", result);
    ASSERT_EQ(result, 0);
    configerror::ShowMalformedLine(config->module(), "f.cfg", 2, false);
    configerror::ShowMalformedLine(config->module(), "f.cfg", std::nullopt, false);
    ASSERT_EQ(boxes.boxes().size(), 2u);
    EXPECT_EQ(boxes.boxes()[0].text,
              "Unable to install Vesk\n\nConfiguration file f.cfg is malformed in line 3.\nCheck data and "
              "formatting "
              "of the file.");
    EXPECT_EQ(boxes.boxes()[1].text, message(3079, "f.cfg", "<line number>"));
}

TEST_F(ConfigErrorTest, LongMessagesAreCutAt1023Characters) {
    const auto config = makeConfig();
    const std::string detail(3000, 'x');
    configerror::ShowConfigError(config->module(), config->workingSet(), 304, detail, false);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text.size(), 1023u);
    EXPECT_EQ(boxes.boxes()[0].text, message(3075, detail).substr(0, 1023));
}

}  // namespace
}  // namespace configtest

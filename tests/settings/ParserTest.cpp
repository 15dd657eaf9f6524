#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "ParserHarness.h"
#include "settings/ConfigValidatorBuilder.h"
#include "settings/Exception.h"
#include "settings/PlainTextFileConfigParser.h"
#include "settings/StringBuffer.h"

namespace {

using settingstest::entriesOf;
using settingstest::parseText;
using Entries = std::vector<std::pair<std::string, std::string>>;

TEST(Parser, TheThreeLineEndStylesGiveTheSameEntries) {
    const Entries expected = {{"A", "1"}, {"B", "2"}, {"C", "3"}};
    for (const std::string text :
         {"A=1\r\nB=2\r\n\r\nC=3\r\n", "A=1\nB=2\n\nC=3\n", "A=1\rB=2\r\rC=3\r", "A=1\r\nB=2\n\rC=3"}) {
        const auto result = parseText(text);
        ASSERT_TRUE(result.config) << text;
        EXPECT_EQ(entriesOf(*result.config), expected) << text;
        EXPECT_TRUE(result.errors.empty()) << text;
    }
}

struct SyntaxCase {
    const char* name;
    std::string text;
    bool allowKeyOnly;
    Entries entries;
    // (line index, column, message) of each error
    std::vector<std::tuple<std::size_t, std::size_t, std::string>> errors;
};

class ParserSyntax : public testing::TestWithParam<SyntaxCase> {};

TEST_P(ParserSyntax, GivesEntriesAndErrors) {
    const SyntaxCase& c = GetParam();
    const auto result = parseText(c.text, {.allowKeyOnly = c.allowKeyOnly});
    ASSERT_TRUE(result.config);
    EXPECT_EQ(entriesOf(*result.config), c.entries);
    std::vector<std::tuple<std::size_t, std::size_t, std::string>> errors;
    for (const auto& error : result.errors) {
        errors.emplace_back(error.line, error.column, error.message);
    }
    EXPECT_EQ(errors, c.errors);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ParserSyntax,
    testing::Values(
        SyntaxCase{"BlanksAroundKeyAndValue",
                   "  INSTALLDIR = C:\\Program Files\\X  ",
                   false,
                   {{"INSTALLDIR", "C:\\Program Files\\X"}},
                   {}},
        SyntaxCase{"TabsAreBlanks", "\tA\t=\tx y\t", false, {{"A", "x y"}}, {}},
        SyntaxCase{"ColonSeparator", "EULA:Enable", false, {{"EULA", "Enable"}}, {}},
        SyntaxCase{"FirstSeparatorSplits", "A=b=c\nB:c=d", false, {{"A", "b=c"}, {"B", "c=d"}}, {}},
        SyntaxCase{"CommentsOnlyAtLineStart",
                   "# x=1\n   # y=2\nA=1 # not a comment",
                   false,
                   {{"A", "1 # not a comment"}},
                   {}},
        SyntaxCase{"QuotesAreOrdinary", "\"A\"=\"x\"", false, {{"\"A\"", "\"x\""}}, {}},
        SyntaxCase{"EmptyValue", "A=\nB =  ", false, {{"A", ""}, {"B", ""}}, {}},
        SyntaxCase{"BlankLinesIgnored", " \t\n\n   \r\n", false, {}, {}},
        SyntaxCase{"EmptyText", "", false, {}, {}},
        SyntaxCase{"LaterValueWins", "A=1\nB=2\nA=3", false, {{"A", "3"}, {"B", "2"}}, {}},
        SyntaxCase{"EmptyKey", "=x", false, {}, {{0, 0, "\"Empty key\" at line 1; char 1"}}},
        SyntaxCase{"EmptyKeyInSecondLine",
                   "A=1\n=x",
                   false,
                   {{"A", "1"}},
                   {{1, 0, "\"Empty key\" at line 2; char 1"}}},
        SyntaxCase{"BlankKeyIsEmpty",
                   "A=1\n\n  \t :x",
                   false,
                   {{"A", "1"}},
                   {{2, 4, "\"Empty key\" at line 3; char 5"}}},
        SyntaxCase{"KeyAloneRefused", "EULA", false, {}, {{0, 0, "\"Key without value\" at line 1; char 1"}}},
        SyntaxCase{"KeyAloneAllowed", "  EULA  \n/s", true, {{"/s", "<none>"}, {"EULA", "<none>"}}, {}},
        SyntaxCase{"ByteOrderMarkIsText",
                   "\xEF\xBB\xBF"
                   "A=1",
                   false,
                   {{"\xEF\xBB\xBF"
                     "A",
                     "1"}},
                   {}},
        SyntaxCase{"ByteOrderMarkSpoilsComment",
                   "\xEF\xBB\xBF# c\nA=1",
                   false,
                   {{"A", "1"}},
                   {{0, 0, "\"Key without value\" at line 1; char 1"}}},
        SyntaxCase{"MultiByteValues",
                   "A=\xC3\xA9\nB=\xE2\x82\xAC\nC=\xF0\x9F\x98\x80",
                   false,
                   {{"A", "\xC3\xA9"}, {"B", "\xE2\x82\xAC"}, {"C", "\xF0\x9F\x98\x80"}},
                   {}},
        SyntaxCase{"NulBytesAreKept",
                   std::string("A\0B=x\0y\nC=1", 11),
                   false,
                   {{std::string("A\0B", 3), std::string("x\0y", 3)}, {"C", "1"}},
                   {}}),
    [](const testing::TestParamInfo<SyntaxCase>& info) { return std::string(info.param.name); });

TEST(Parser, TextThatIsNotPlainIs314) {
    settings_impl::PlainTextFileConfigParser parser(std::make_unique<settings_impl::StringBuffer>("A=\x80"));
    try {
        parser.parse();
        FAIL() << "no exception";
    } catch (const settings::Exception& error) {
        EXPECT_EQ(error.code(), 314);
    }
}

class ParserValidation : public testing::Test {
protected:
    ParserValidation() {
        settings_impl::ConfigValidatorBuilder builder;
        builder.addFixedValues("EULA", {{"Enable", 1, 1}, {"Disable", 0, 1}});
        builder.addType("N", settings_impl::TypeCode::Integer);
        validator = builder.build();
    }
    std::unique_ptr<settings_impl::ConfigValidator> validator;
};

TEST_F(ParserValidation, ReportsInvalidKeysAndValuesAtTheirLines) {
    const auto result = parseText(
        "EULA=Enable # yes\nN=12\nX=1\nN=abc\n\xEF\xBB\xBF"
        "EULA=Enable",
        {.validator = validator.get()});
    ASSERT_TRUE(result.config);
    EXPECT_EQ(entriesOf(*result.config), (Entries{{"N", "12"}}));
    ASSERT_EQ(result.errors.size(), 4u);
    EXPECT_EQ(result.errors[0].message, "\"Invalid value\" at line 1; char 1");
    EXPECT_EQ(result.errors[1].message, "\"Invalid key\" at line 3; char 1");
    EXPECT_EQ(result.errors[2].message, "\"Invalid value\" at line 4; char 1");
    EXPECT_EQ(result.errors[3].message, "\"Invalid key\" at line 5; char 1");
}

TEST_F(ParserValidation, KeyWithoutValueSkipsValidation) {
    const auto result = parseText("UNKNOWN\nEULA", {.allowKeyOnly = true, .validator = validator.get()});
    ASSERT_TRUE(result.config);
    EXPECT_EQ(entriesOf(*result.config), (Entries{{"EULA", "<none>"}, {"UNKNOWN", "<none>"}}));
    EXPECT_TRUE(result.errors.empty());
}

TEST(ParserStopOnError, OnWithAThrowingListenerStopsAtTheFirstError) {
    const auto result = parseText("A=1\n=x\nB=2\nC", {.stopOnError = true, .throwOnError = true});
    EXPECT_FALSE(result.config);
    ASSERT_EQ(result.errors.size(), 1u);
    EXPECT_EQ(result.errors[0].line, 1u);
}

TEST(ParserStopOnError, OnWithAQuietListenerReportsAllButGivesNoConfiguration) {
    const auto result = parseText("A=1\n=x\nB=2\nC", {.stopOnError = true});
    EXPECT_FALSE(result.config);
    EXPECT_EQ(result.errors.size(), 2u);
}

TEST(ParserStopOnError, OffKeepsTheGoodEntries) {
    const auto result = parseText("A=1\n=x\nB=2\nC", {.stopOnError = false, .throwOnError = true});
    ASSERT_TRUE(result.config);
    EXPECT_EQ(entriesOf(*result.config), (Entries{{"A", "1"}, {"B", "2"}}));
    ASSERT_EQ(result.errors.size(), 2u);
    EXPECT_EQ(result.errors[0].line, 1u);
    EXPECT_EQ(result.errors[1].line, 3u);
}

}  // namespace

#include <gtest/gtest.h>

#include <string>

#include "settings/PlainText.h"

namespace {

using settings_impl::plaintext::isPlain;

struct PlainCase {
    const char* name;
    std::string text;
    bool plain;
};

class PlainTextTest : public testing::TestWithParam<PlainCase> {};

TEST_P(PlainTextTest, Classifies) {
    EXPECT_EQ(isPlain(GetParam().text), GetParam().plain) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PlainTextTest,
    testing::Values(PlainCase{"empty", "", true}, PlainCase{"ascii", "EULA=Enable\r\n", true},
                    PlainCase{"nul byte", std::string("A=x\0y", 5), true},
                    PlainCase{"two-byte", "V=\xC3\xA9", true},
                    PlainCase{"three-byte", "V=\xE2\x82\xAC", true},
                    PlainCase{"four-byte", "V=\xF0\x9F\x98\x80", true},
                    PlainCase{"byte-order mark",
                              "\xEF\xBB\xBF"
                              "A=1",
                              true},
                    // The bytes after a lead byte are skipped without inspection.
                    PlainCase{"unchecked follower",
                              "\xC3"
                              "A",
                              true},
                    PlainCase{"six-byte lead",
                              "\xFC"
                              "12345",
                              true},
                    PlainCase{"lone continuation", "A=\x80", false}, PlainCase{"byte FE", "\xFE", false},
                    PlainCase{"byte FF", "x\xFF", false}, PlainCase{"two-byte cut off", "V=\xC3", false},
                    PlainCase{"four-byte cut off", "V=\xF0\x9F\x98", false},
                    PlainCase{"six-byte cut off",
                              "\xFC"
                              "1234",
                              false}),
    [](const testing::TestParamInfo<PlainCase>& info) {
        std::string name = info.param.name;
        for (char& c : name) {
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        }
        return name;
    });

// A sequence cut off by the end of a view must not be completed from the bytes that
// follow the view in memory.
TEST(PlainText, NeverReadsPastTheEndOfAView) {
    const std::string storage = "ab\xC3\xA9";
    EXPECT_FALSE(isPlain(std::string_view(storage.data(), 3)));
    EXPECT_TRUE(isPlain(std::string_view(storage.data(), 4)));
}

}  // namespace

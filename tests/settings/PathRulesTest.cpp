#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "settings/Exception.h"
#include "settings/PathRules.h"

namespace {

namespace pathrules = settings_impl::pathrules;

int codeOf(void (*action)(const std::string&), const std::string& path) {
    try {
        action(path);
        return 0;
    } catch (const settings::Exception& error) {
        return error.code();
    }
}

void check(const std::string& path) { pathrules::check(path); }
void canonicalize(const std::string& path) { pathrules::canonicalize(path); }

TEST(PathRules, LengthLimitIs259Bytes) {
    const std::string at259 = "C:\\" + std::string(256, 'a');
    ASSERT_EQ(at259.size(), 259u);
    EXPECT_EQ(codeOf(check, at259), 0);
    EXPECT_EQ(codeOf(check, at259 + "b"), 310);
    EXPECT_EQ(codeOf(canonicalize, at259 + "b"), 310);
}

struct CheckCase {
    std::string path;
    int code;
};

class PathCheck : public testing::TestWithParam<CheckCase> {};

TEST_P(PathCheck, GivesItsCode) {
    EXPECT_EQ(codeOf(check, GetParam().path), GetParam().code) << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, PathCheck,
    testing::Values(CheckCase{"", 0}, CheckCase{"C:\\a\\b.cfg", 0}, CheckCase{"a/./b", 0},
                    CheckCase{"C:\\\xC3\xA9", 0}, CheckCase{"C:\\con", 0}, CheckCase{"C:\\\x80", 312},
                    CheckCase{"\\/", 311}, CheckCase{".", 311}, CheckCase{"C:\\CON", 311},
                    CheckCase{"C:\\x\\COM1", 311}, CheckCase{"C:\\LPT9\\x", 311}, CheckCase{"C:\\COM0", 0},
                    CheckCase{"C:\\a*b", 311}, CheckCase{"C:\\a\"b", 311}, CheckCase{"C:\\a\tb", 311},
                    CheckCase{std::string("C:\\a\0b", 6), 311}, CheckCase{"C:x", 311},
                    CheckCase{"\\C:\\x", 311}));

TEST(PathRules, CanonicalPathsAreJoinedWithSlashes) {
    EXPECT_EQ(pathrules::canonicalize("C:\\dir\\..\\x\\.\\y.cfg"), "C:/x/y.cfg");
    EXPECT_EQ(pathrules::canonicalize("c:/a//b/"), "c:/a/b");
    EXPECT_EQ(pathrules::canonicalize("C:\\a\\.."), "C:/");
    EXPECT_EQ(codeOf(canonicalize, "C:\\.."), 311);
    EXPECT_EQ(codeOf(canonicalize, "C:\\a\\..\\..\\b"), 311);
    EXPECT_EQ(codeOf(canonicalize, "\\\\server\\share\\x"), 311);
    EXPECT_EQ(codeOf(canonicalize, ""), 311);
}

TEST(PathRules, RelativePathsGoBelowTheCurrentDirectory) {
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\windows\\system32"));
    EXPECT_EQ(pathrules::canonicalize("x\\y.cfg"), "C:/windows/system32/x/y.cfg");
    EXPECT_EQ(pathrules::canonicalize("..\\y.cfg"), "C:/windows/y.cfg");
    EXPECT_EQ(pathrules::canonicalize("\\y.cfg"), "C:/y.cfg");
}

}  // namespace

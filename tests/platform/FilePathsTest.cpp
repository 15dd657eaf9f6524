#include <gtest/gtest.h>

#include <string>

#include "platform/FileUtils.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

namespace {

struct PathPieces {
    std::string path;
    std::string dirname;
    std::string basename;
    std::string suffix;
};

class PathPiecesTest : public testing::TestWithParam<PathPieces> {};

TEST_P(PathPiecesTest, SplitsAtTheLastSeparator) {
    const PathPieces& pieces = GetParam();
    EXPECT_EQ(FileUtils::dirname(pieces.path), pieces.dirname);
    EXPECT_EQ(FileUtils::basename(pieces.path), pieces.basename);
    EXPECT_EQ(FileUtils::suffix(pieces.path), pieces.suffix);
    // The two pieces always make up the whole path.
    EXPECT_EQ(FileUtils::dirname(pieces.path) + FileUtils::basename(pieces.path), pieces.path);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PathPiecesTest,
    testing::Values(PathPieces{R"(C:\dir\file.txt)", R"(C:\dir\)", "file.txt", ".txt"},
                    PathPieces{"C:/dir/file.txt", "C:/dir/", "file.txt", ".txt"},
                    PathPieces{R"(C:\dir/sub\file)", R"(C:\dir/sub\)", "file", ""},
                    PathPieces{R"(C:\dir\)", R"(C:\dir\)", "", ""},
                    PathPieces{R"(C:\dir\\)", R"(C:\dir\\)", "", ""},
                    PathPieces{R"(C:\dir\\file.x)", R"(C:\dir\\)", "file.x", ".x"},
                    PathPieces{R"(C:\dir.d\file)", R"(C:\dir.d\)", "file", ""},
                    PathPieces{R"(C:\dir\..)", R"(C:\dir\)", "..", ""},
                    PathPieces{R"(C:\dir\archive.tar.gz)", R"(C:\dir\)", "archive.tar.gz", ".gz"},
                    PathPieces{R"(C:\dir\.profile)", R"(C:\dir\)", ".profile", ".profile"},
                    PathPieces{"file.txt", "", "file.txt", ".txt"},
                    PathPieces{R"(\\server\share\a.b)", R"(\\server\share\)", "a.b", ".b"},
                    PathPieces{"", "", "", ""}));

struct JoinCase {
    std::string dir;
    std::string name;
    std::string joined;
};

class JoinTest : public testing::TestWithParam<JoinCase> {};

TEST_P(JoinTest, PutsOneBackslashBetween) {
    EXPECT_EQ(FileUtils::join(GetParam().dir, GetParam().name), GetParam().joined);
}

INSTANTIATE_TEST_SUITE_P(Table, JoinTest,
                         testing::Values(JoinCase{R"(C:\dir)", "file", R"(C:\dir\file)"},
                                         JoinCase{R"(C:\dir\)", "file", R"(C:\dir\file)"},
                                         JoinCase{R"(C:\dir\/\)", R"(\file)", R"(C:\dir\file)"},
                                         JoinCase{R"(C:\dir)", R"(\\file)", R"(C:\dir\\file)"},
                                         JoinCase{"C:/dir/", "sub/file", R"(C:/dir\sub/file)"},
                                         JoinCase{R"(C:\)", "file", R"(C:\file)"},
                                         JoinCase{R"(C:\dir\)", "", R"(C:\dir\)"},
                                         JoinCase{"", R"(\file)", R"(\file)"}, JoinCase{"", "", ""}));

TEST(PathTextTest, NormalizePathUsesBackslashesAndLowerCase) {
    EXPECT_EQ(FileUtils::normalizePath("C:/Program Files\\Veyra/VESK.exe"),
              R"(c:\program files\veyra\vesk.exe)");
    EXPECT_EQ(FileUtils::normalizePath(""), "");
}

TEST(PathTextTest, ReplaceSuffixReplacesOnlyTheLastPiecesSuffix) {
    EXPECT_EQ(FileUtils::replaceSuffix(R"(C:\dir\file.txt)", ".log"), R"(C:\dir\file.log)");
    EXPECT_EQ(FileUtils::replaceSuffix(R"(C:\dir.d\file)", ".log"), R"(C:\dir.d\file.log)");
    EXPECT_EQ(FileUtils::replaceSuffix("archive.tar.gz", ""), "archive.tar");
    EXPECT_EQ(FileUtils::replaceSuffix(R"(C:\dir\..)", ".x"), R"(C:\dir\...x)");
}

TEST(PathTextTest, IsDirectoryOnlyForExistingFolders) {
    const testsupport::TempFolder temp;
    testsupport::writeFileText(temp.file("file"), "x");
    EXPECT_TRUE(FileUtils::isDirectory(temp.path()));
    EXPECT_TRUE(FileUtils::isDirectory(temp.path() + "\\"));
    EXPECT_FALSE(FileUtils::isDirectory(temp.file("file")));
    EXPECT_FALSE(FileUtils::isDirectory(temp.file("missing")));
    EXPECT_FALSE(FileUtils::isReparsePoint(temp.file("missing")));
    EXPECT_FALSE(FileUtils::isReparsePoint(temp.path()));
}

}  // namespace

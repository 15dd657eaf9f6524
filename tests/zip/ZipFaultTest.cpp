// Hostile and damaged archives: names that lead outside the destination, data that does
// not match its sizes or CRC-32, and sizes no archive can hold all end in clean errors.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "ZipTestFiles.h"
#include "support/TempFolder.h"
#include "zip/SafeEntryName.h"
#include "zip/ZipFile.h"

namespace {

using ziptest::fixture;
using ziptest::listTree;
using ziptest::thrownMessage;

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST(ZipFaultTest, EntryNamesThatLeaveTheFolderAreRecognised) {
    for (const char* name : {"../x", "..\\x", "a/../../b", "a\\..", "..", "/abs", "\\abs",
                             "\\\\server\\share\\x", "C:x", "C:\\x", "bin/a:stream", "a/.../b", "a/.. /b",
                             "NUL", "bin/nul.txt", "con ", "Com1.dll", "a/LPT9/b", "CONOUT$"}) {
        EXPECT_FALSE(isSafeEntryName(name)) << name;
    }
    EXPECT_FALSE(isSafeEntryName(""));
    EXPECT_FALSE(isSafeEntryName(std::string("a\0/../../x", 10)));
    for (const char* name : {"a", "bin/vesk.exe", "a\\b.txt", "dir/", "a..b/c..", ".hidden/..x", "a/./b",
                             ". ./x", "null", "CONSOLE.txt", "com10", "lpt", "x.nul"}) {
        EXPECT_TRUE(isSafeEntryName(name)) << name;
    }
}

TEST(ZipFaultTest, TraversalNamesFailBeforeAnythingIsWritten) {
    // The entry names of traversal_<i>.zip, in the order make_fixtures.py wrote them.
    const std::vector<std::string> names = {
        "../../x.dll",  "..\\..\\x.dll", "/abs.txt",    "\\abs.txt", "C:x.txt",     "a/../../b.txt",
        "bin/a:stream", "a/.../b.txt",   "a/.. /b.txt", "..",        "bin/NUL.txt", "CON"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        const testsupport::TempFolder outer;
        const std::string home = outer.file("inner\\home");
        const std::string archive = fixture("traversal_" + std::to_string(i) + ".zip");
        const std::string message = thrownMessage([&] { ZipFile(archive).extractAll(home, {}); });
        EXPECT_NE(message.find("Zip entry " + names[i] + " from " + archive + " archive"), std::string::npos)
            << message;
        EXPECT_EQ(listTree(outer.path()), std::vector<std::string>{}) << names[i];
    }
    EXPECT_FALSE(exists("C:\\abs.txt"));
    EXPECT_FALSE(exists("C:x.txt"));
}

TEST(ZipFaultTest, ExcludedTraversalNameIsNeverWrittenAndDoesNotStopTheRest) {
    const testsupport::TempFolder folder;
    ZipFile(fixture("traversal_0.zip")).extractAll(folder.file("home"), {"..\\..\\X.DLL"});
    EXPECT_EQ(listTree(folder.path()), (std::vector<std::string>{"home\\", "home\\ok.txt"}));
}

TEST(ZipFaultTest, DamagedDataFailsNamingTheEntryAndWritesNothing) {
    struct Case {
        const char* archive;
        const char* entry;
    };
    const Case cases[] = {
        {"bad_crc_stored.zip", "stored.txt"}, {"bad_crc_deflated.zip", "deflated.txt"},
        {"cut_stream.zip", "cut.txt"},        {"short_stream.zip", "short.txt"},
        {"long_stream.zip", "long.txt"},      {"trailing_stream.zip", "trailing.txt"},
        {"huge_stored.zip", "huge.txt"},      {"huge_deflated.zip", "bomb.txt"},
    };
    for (const Case& c : cases) {
        const std::string archive = fixture(c.archive);
        const std::string failed = "ZIP_ReadEntry(" + archive + ", " + c.entry + ") failed";
        const ZipFile zip(archive);
        EXPECT_NE(thrownMessage([&] { zip.extractEntryAsUtf8String(c.entry); }).find(failed),
                  std::string::npos)
            << c.archive;
        const testsupport::TempFolder folder;
        EXPECT_NE(thrownMessage([&] { zip.extractAll(folder.path(), {}); }).find(failed), std::string::npos)
            << c.archive;
        EXPECT_FALSE(exists(folder.file(c.entry))) << c.archive;
    }
}

TEST(ZipFaultTest, SizesBeyondAnyArchiveFailCleanly) {
    const std::string huge = fixture("huge_zip64.zip");
    const ZipFile zip(huge);
    EXPECT_NE(
        thrownMessage([&] {
            zip.extractEntryAsUtf8String("huge64.txt");
        }).find("Zip entry huge64.txt from " + huge + " archive is too large to be extracted into memory"),
        std::string::npos);
    const testsupport::TempFolder folder;
    EXPECT_NE(thrownMessage([&] { zip.extractAll(folder.path(), {}); }).find("ZIP_ReadEntry(" + huge),
              std::string::npos);

    const ZipFile odd(fixture("bad_extra.zip"));
    EXPECT_NE(thrownMessage([&] { odd.extractAll(folder.path(), {}); }).find("ZIP_ReadEntry("),
              std::string::npos);
    EXPECT_EQ(listTree(folder.path()), std::vector<std::string>{});
}

TEST(ZipFaultTest, NegativeZip64CountStillReadsEveryEntry) {
    const testsupport::TempFolder folder;
    ZipFile(fixture("zip64_negative_count.zip")).extractAll(folder.path(), {});
    EXPECT_EQ(listTree(folder.path()), (std::vector<std::string>{"one.txt", "two.txt"}));
}

}  // namespace

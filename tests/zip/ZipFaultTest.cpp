// Hostile and damaged archives: names that lead outside the destination, data that does
// not match its sizes or CRC-32, and sizes no archive can hold all end in clean errors.

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ZipTestFiles.h"
#include "support/SmallDisk.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"
#include "zip/SafeEntryName.h"
#include "zip/ZipFile.h"

namespace {

using ziptest::fixture;
using ziptest::listTree;
using ziptest::thrownMessage;

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST(ZipFaultTest, EntryNamesThatLeaveTheFolderAreRecognised) {
    for (const wchar_t* name :
         {L"../x", L"..\\x", L"a/../../b", L"a\\..", L"..", L"/abs", L"\\abs", L"\\\\server\\share\\x",
          L"C:x", L"C:\\x", L"bin/a:stream", L"a/.../b", L"a/.. /b", L"NUL", L"bin/nul.txt", L"con ",
          L"Com1.dll", L"a/LPT9/b", L"CONOUT$",
          // Windows takes the superscript digits one to three as port numbers too.
          L"COM\u00B9", L"com\u00B2.txt", L"a/Lpt\u00B3 .dll", L"LPT\u00B9/x", L"\u4e16/COM\u00B3"}) {
        EXPECT_FALSE(isSafeEntryName(name)) << testing::PrintToString(std::wstring(name));
    }
    EXPECT_FALSE(isSafeEntryName(L""));
    EXPECT_FALSE(isSafeEntryName(std::wstring(L"a\0/../../x", 10)));
    for (const wchar_t* name :
         {L"a", L"bin/vesk.exe", L"a\\b.txt", L"dir/", L"a..b/c..", L".hidden/..x", L"a/./b", L". ./x",
          L"null", L"CONSOLE.txt", L"com10", L"lpt", L"x.nul", L"COM\u2074", L"COM\u00B9\u00B9", L"LPT\u00B0",
          L"\u4e16\u754c/h\u00e9llo.txt"}) {
        EXPECT_TRUE(isSafeEntryName(name)) << testing::PrintToString(std::wstring(name));
    }
}

TEST(ZipFaultTest, NamesAreCheckedAsWindowsDecodesThem) {
    // The entry names of utf8_hostile_<i>.zip, in the order make_fixtures.py wrote them;
    // all but the last are flagged as UTF-8.
    struct Case {
        std::string name;
        const char* reason;
    };
    const char* const outside = "has a name that leads outside the destination";
    const std::vector<Case> cases = {
        {"COM\xC2\xB9", outside},
        {"bin/lpt\xC2\xB2.dll", outside},
        {"Com\xC2\xB3 .txt", outside},
        {"bad\xFF.txt", "has a name that is not valid in its encoding"},
        {"a/\xE4\xB8\x96/../../x.txt", outside},
        // Not flagged: the ANSI code page decides what Windows reads.
        {"COM\xB9", GetACP() == 1252 ? outside : nullptr},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const testsupport::TempFolder outer;
        const std::string home = outer.file("inner\\home");
        const std::string archive = fixture("utf8_hostile_" + std::to_string(i) + ".zip");
        if (cases[i].reason == nullptr) {
            std::printf("ANSI code page %u reads \"COM\\xB9\" as no device; that case is left out.\n",
                        GetACP());
            continue;
        }
        const std::string message = thrownMessage([&] { ZipFile(archive).extractAll(home, {}); });
        EXPECT_NE(
            message.find("Zip entry " + cases[i].name + " from " + archive + " archive " + cases[i].reason),
            std::string::npos)
            << message;
        EXPECT_EQ(listTree(outer.path()), std::vector<std::string>{}) << i;
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

// A faulty extraction can leave names behind that the file system lists in one form and
// finds only in another (Wine keeps "home\C:x.txt" as a Unix file "C:x.txt"); cleaning
// up after the test must end all the same, so that such a fault fails the test at once.
TEST(ZipFaultTest, FolderHoldingANameWithAColonIsCleanedUpWithoutHanging) {
    std::string path;
    {
        const testsupport::TempFolder folder;
        path = folder.path();
        HANDLE file = CreateFileA(folder.file("C:x.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            GTEST_SKIP() << "this file system refuses the name (error " << GetLastError() << ")";
        }
        CloseHandle(file);
        EXPECT_EQ(listTree(path).size(), 1u);
    }
    EXPECT_FALSE(exists(path));
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

// The disk fills up during the extraction: the entry being written is not left cut short
// under its name, and what was written before it stays whole.
TEST(ZipFaultTest, FullDiskLeavesNoPartlyWrittenEntry) {
    const testsupport::TempFolder folder;
    const std::string home = folder.file("home");
    const testsupport::SmallDisk disk(home, 64 * 1024);
    if (!disk.mounted()) {
        GTEST_SKIP() << "no small disk can be mounted here: " << disk.reason();
    }
    const ZipFile zip(fixture("sample.zip"));

    const std::string message = thrownMessage([&] { zip.extractAll(home, {}); });

    EXPECT_NE(message.find("WriteFile(" + home + "\\deflated.txt) failed"), std::string::npos) << message;
    EXPECT_FALSE(exists(home + "\\deflated.txt"));
    for (const std::string& path : listTree(home)) {
        if (path.back() != '\\') {
            EXPECT_EQ(testsupport::readFileBytes(home + "\\" + path),
                      testsupport::readFileBytes(ziptest::originals("sample") + "\\" + path))
                << path;
        }
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

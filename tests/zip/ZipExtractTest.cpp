// Extracting whole archives into folders.

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "ZipTestFiles.h"
#include "support/LogRecords.h"
#include "support/TempFolder.h"
#include "zip/ZipFile.h"

namespace {

using ziptest::fixture;
using ziptest::listTree;

void expectSameTree(const std::string& extracted, const std::string& original) {
    const std::vector<std::string> files = listTree(original);
    ASSERT_FALSE(files.empty()) << original;
    EXPECT_EQ(listTree(extracted), files);
    for (const std::string& file : files) {
        if (file.back() != '\\') {
            EXPECT_EQ(testsupport::readFileText(extracted + "\\" + file),
                      testsupport::readFileText(original + "\\" + file))
                << file;
        }
    }
}

TEST(ZipExtractTest, EveryKindOfEntryIsExtractedByteExact) {
    struct Case {
        const char* archive;
        const char* originals;
    };
    for (const Case& c : {Case{"sample.zip", "sample"}, Case{"stub.zip", "sample"},
                          Case{"fewer_count.zip", "sample"}, Case{"zip64.zip", "zip64"}}) {
        const testsupport::TempFolder folder;
        ZipFile(fixture(c.archive)).extractAll(folder.file("home"), {});
        expectSameTree(folder.file("home"), ziptest::originals(c.originals));
    }
}

TEST(ZipExtractTest, DestinationWithOrWithoutSeparatorGetsTheSameTree) {
    // Without a separator the names must still go inside the destination, never beside it.
    const testsupport::TempFolder folder;
    const ZipFile archive(fixture("sample.zip"));
    archive.extractAll(folder.file("vre"), {});
    archive.extractAll(folder.file("separated") + "\\", {});
    archive.extractAll(folder.file("slashed") + "/", {});
    EXPECT_EQ(listTree(folder.path()).size(), 3 * (listTree(ziptest::originals("sample")).size() + 1));
    expectSameTree(folder.file("vre"), ziptest::originals("sample"));
    expectSameTree(folder.file("separated"), ziptest::originals("sample"));
    expectSameTree(folder.file("slashed"), ziptest::originals("sample"));
}

TEST(ZipExtractTest, ExcludedNamesMatchIgnoringCaseAndSlashKind) {
    const testsupport::TempFolder folder;
    ZipFile(fixture("excluded.zip")).extractAll(folder.path(), {"A/B.TXT"});
    EXPECT_EQ(listTree(folder.path()), (std::vector<std::string>{"a\\", "a\\c.txt"}));
}

TEST(ZipExtractTest, ExistingFilesAreOverwritten) {
    const testsupport::TempFolder folder;
    ASSERT_TRUE(CreateDirectoryA(folder.file("dir").c_str(), nullptr));
    std::ofstream(folder.file("stored.txt"), std::ios::binary) << std::string(100000, 'x');
    std::ofstream(folder.file("empty.txt"), std::ios::binary) << "not empty";
    ZipFile(fixture("sample.zip")).extractAll(folder.path(), {});
    expectSameTree(folder.path(), ziptest::originals("sample"));
}

TEST(ZipExtractTest, DirectorySpanningManyBlocksIsExtractedWhole) {
    const testsupport::TempFolder folder;
    ZipFile(fixture("big_directory.zip")).extractAll(folder.path(), {});
    const std::vector<std::string> files = listTree(folder.path());
    EXPECT_EQ(files.size(), 400u + 8u);  // the files and their eight folders
    EXPECT_EQ(testsupport::readFileText(
                  folder.file("folder004\\long-file-namelong-file-namelong-file-name-0200.txt")),
              "entry 200\n");
}

// The UTF-8 text of `narrow` read in the ANSI code page, as Windows reads an ANSI name.
std::string ansiAsUtf8(const std::string& narrow) {
    wchar_t wide[MAX_PATH];
    const int length =
        MultiByteToWideChar(CP_ACP, 0, narrow.data(), static_cast<int>(narrow.size()), wide, MAX_PATH);
    char text[4 * MAX_PATH];
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, length, text, sizeof text, nullptr, nullptr);
    return std::string(text, static_cast<std::size_t>(size));
}

TEST(ZipExtractTest, NamesFlaggedAsUtf8AreCreatedByTheirUnicodeName) {
    // Below a destination whose own name is ANSI (and not ASCII where the code page allows).
    const testsupport::TempFolder folder;
    const std::string ansiFolder = GetACP() == 1252 ? "d\xE9p\xF4t" : "depot";
    const std::string destination = folder.file(ansiFolder + "\\home");
    ZipFile(fixture("utf8_names.zip")).extractAll(destination, {});

    const std::string world = "\xE4\xB8\x96\xE7\x95\x8C";  // the two characters of "world" in Chinese
    const std::string lodz =
        "\xC5\x81\xC3\xB3"
        "d\xC5\xBA";                                         // the Polish city
    const std::string ansiName = ansiAsUtf8("caf\xE9.txt");  // not flagged: read as ANSI
    std::vector<std::string> expected = {ansiAsUtf8(ansiFolder) + "\\",
                                         ansiAsUtf8(ansiFolder) + "\\home\\",
                                         ansiAsUtf8(ansiFolder) + "\\home\\" + ansiName,
                                         ansiAsUtf8(ansiFolder) + "\\home\\" + lodz + "\\",
                                         ansiAsUtf8(ansiFolder) + "\\home\\" + lodz + "\\a.cfg",
                                         ansiAsUtf8(ansiFolder) + "\\home\\plain\\",
                                         ansiAsUtf8(ansiFolder) + "\\home\\plain\\ascii.txt",
                                         ansiAsUtf8(ansiFolder) + "\\home\\" + world + "\\",
                                         ansiAsUtf8(ansiFolder) + "\\home\\" + world + "\\h\xC3\xA9llo.txt"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listTree(folder.path()), expected);
    EXPECT_EQ(testsupport::readFileText(destination + "\\caf\xE9.txt"), "ansi\n");
    EXPECT_EQ(testsupport::readFileText(destination + "\\plain\\ascii.txt"), "ascii\n");
}

}  // namespace

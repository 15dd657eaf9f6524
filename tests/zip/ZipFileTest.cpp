// Opening archives and reading single entries through ZipFile and ZipFileEntry.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "ZipTestFiles.h"
#include "support/LogRecords.h"
#include "support/TempFolder.h"
#include "zip/ZipFile.h"
#include "zip/ZipFileEntry.h"

namespace {

using ziptest::fixture;
using ziptest::thrownMessage;

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

TEST(ZipFileTest, OpenFailuresSayWhetherTheArchiveWasRefused) {
    struct Case {
        std::string path;
        const char* text;
    };
    const Case cases[] = {
        {fixture("empty_file.zip"), "Zip file open error"},
        {fixture("not_a_zip.zip"), "unknown"},
        {fixture("missing.zip"), "unknown"},
        // 260 bytes: refused before the disk is asked (a missing file would say "unknown").
        {"C:\\" + std::string(257, 'm'), "Zip file open error"},
        {fixture("encrypted.zip"), "Zip file open error"},
        {fixture("bzip2.zip"), "Zip file open error"},
    };
    for (const Case& c : cases) {
        const std::string message = thrownMessage([&] { ZipFile archive(c.path); });
        EXPECT_NE(message.find("ZipFile::ZipFile(): ZIP_Open(" + c.path + ") failed. Error: "),
                  std::string::npos)
            << message;
        EXPECT_TRUE(endsWith(message, std::string("Error: ") + c.text)) << message;
    }
}

TEST(ZipFileTest, TwoObjectsShareOneRecordAndKeepTheFileOpenUntilBothAreGone) {
    const testsupport::TempFolder folder;
    const std::string path = folder.file("shared.zip");
    ASSERT_TRUE(CopyFileA(fixture("sample.zip").c_str(), path.c_str(), FALSE));
    {
        auto first = std::make_unique<ZipFile>(path);
        const ZipFile second(path);
        EXPECT_EQ(&first->archive(), &second.archive());
        first.reset();
        EXPECT_FALSE(DeleteFileA(path.c_str()));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        EXPECT_EQ(second.extractEntryAsUtf8String("dir/sub/inner.txt"), "inside a folder\n");
    }
    EXPECT_TRUE(DeleteFileA(path.c_str())) << GetLastError();
}

TEST(ZipFileTest, EntriesReadIntoMemoryAreByteExact) {
    struct Case {
        const char* archive;
        const char* originals;
        const char* entry;
    };
    const Case cases[] = {
        {"sample.zip", "sample", "stored.txt"},  {"sample.zip", "sample", "deflated.txt"},
        {"sample.zip", "sample", "empty.txt"},   {"sample.zip", "sample", "dir/sub/inner.txt"},
        {"stub.zip", "sample", "deflated.txt"},  {"fewer_count.zip", "sample", "dir/sub/inner.txt"},
        {"zip64.zip", "zip64", "big/first.txt"}, {"zip64.zip", "zip64", "big/stored.txt"},
    };
    for (const Case& c : cases) {
        const ZipFile archive(fixture(c.archive));
        std::string original = ziptest::originals(c.originals) + "\\" + c.entry;
        std::replace(original.begin(), original.end(), '/', '\\');
        EXPECT_EQ(archive.extractEntryAsUtf8String(c.entry), testsupport::readFileText(original))
            << c.archive << " " << c.entry;
    }
}

TEST(ZipFileTest, DirectoryIsFoundWithoutItsSlashButAnEmptyNameIsNot) {
    const ZipFile archive(fixture("sample.zip"));
    const ZipFileEntry directory(archive.archive(), "dir/sub");
    EXPECT_EQ(directory.get().name, "dir/sub/");
    EXPECT_TRUE(directory.isDirectory());
    EXPECT_FALSE(ZipFileEntry(archive.archive(), "stored.txt").isDirectory());
    for (const std::string name : {"", "missing.txt", "dir/sub/inner"}) {
        EXPECT_NE(
            thrownMessage([&] {
                ZipFileEntry entry(archive.archive(), name);
            }).find("ZipFileEntry(): ZIP_FindEntry(" + fixture("sample.zip") + ", " + name + ") failed"),
            std::string::npos)
            << name;
    }
}

TEST(ZipFileTest, InMemoryExtractionRefusesDirectoriesAndMissingEntries) {
    const ZipFile archive(fixture("sample.zip"));
    const std::string path = fixture("sample.zip");
    EXPECT_TRUE(endsWith(
        thrownMessage([&] { archive.extractEntryAsUtf8String("dir"); }),
        "Zip entry dir from " + path + " archive is a directory and can't be extracted into memory"));
    EXPECT_TRUE(endsWith(thrownMessage([&] { archive.extractEntryAsUtf8String("none"); }),
                         "ZIP_FindEntry(" + path + ", none) failed"));
}

TEST(ZipFileTest, EntryCannotBeUsedAfterRelease) {
    const ZipFile archive(fixture("sample.zip"));
    ZipFileEntry entry(archive.archive(), "stored.txt");
    entry.release();
    const std::string message = thrownMessage([&] { (void)entry.isDirectory(); });
    EXPECT_TRUE(
        endsWith(message, "ZipFileEntry::verify(): Can't use ZipFileEntry instance if relase() was called"))
        << message;
    EXPECT_THROW(entry.get(), std::logic_error);
}

}  // namespace

// The archive records below ZipFile: open reasons, shared records, the directory index
// and entry building, read through the same calls the reader uses.

#include <gtest/gtest.h>

#include <string>

#include "ZipTestFiles.h"
#include "zip/ZipArchive.h"
#include "zip/ZipEntries.h"
#include "zip/ZipRead.h"

namespace {

using ziptest::fixture;

// Closes the record when the test ends, whatever happens.
struct OpenArchive {
    explicit OpenArchive(const std::string& path) : archive(ZIP_Open(path, &reason)) {}
    ~OpenArchive() { ZIP_Close(archive); }
    const char* reason = nullptr;
    ZipArchive* archive;
};

struct OpenFailure {
    std::string path;
    const char* reason;  // null: none recorded
};

TEST(ZipArchiveTest, OpenFailuresRecordTheirReasons) {
    const OpenFailure cases[] = {
        {fixture("empty_file.zip"), "zip file is empty"},
        {fixture("not_a_zip.zip"), nullptr},
        {fixture("missing.zip"), nullptr},
        {"C:\\" + std::string(257, 'a'), "zip file name too long"},
        {fixture("encrypted.zip"), "invalid CEN header (encrypted entry)"},
        {fixture("bzip2.zip"), "invalid CEN header (bad compression method)"},
        {fixture("header_past_directory.zip"), "invalid CEN header (bad header size)"},
    };
    for (const OpenFailure& failure : cases) {
        const OpenArchive open(failure.path);
        EXPECT_EQ(open.archive, nullptr) << failure.path;
        EXPECT_STREQ(open.reason, failure.reason) << failure.path;
    }
}

TEST(ZipArchiveTest, OpensOfOnePathShareOneRecord) {
    const OpenArchive first(fixture("sample.zip"));
    const OpenArchive second(fixture("sample.zip"));
    ASSERT_NE(first.archive, nullptr);
    EXPECT_EQ(first.archive, second.archive);
    EXPECT_EQ(first.archive->references, 2);
    EXPECT_EQ(first.archive->comment, "sample archive comment");
}

TEST(ZipArchiveTest, IndexCountsEveryHeaderWhateverTheEndRecordSays) {
    struct Case {
        const char* archive;
        std::int32_t total;
    };
    // fewer_count states 2 of 6; zip64_negative_count states -16 in its ZIP64 record.
    for (const Case& c : {Case{"sample.zip", 6}, Case{"fewer_count.zip", 6}, Case{"stub.zip", 6},
                          Case{"zip64.zip", 2}, Case{"zip64_negative_count.zip", 2}}) {
        const OpenArchive open(fixture(c.archive));
        ASSERT_NE(open.archive, nullptr) << c.archive;
        EXPECT_EQ(open.archive->total, c.total) << c.archive;
        std::int32_t buckets = static_cast<std::int32_t>(open.archive->buckets.size());
        EXPECT_EQ(buckets % 2, 1) << c.archive;
    }
}

TEST(ZipArchiveTest, DataInFrontShiftsEveryPosition) {
    const OpenArchive open(fixture("stub.zip"));
    ASSERT_NE(open.archive, nullptr);
    EXPECT_EQ(open.archive->archiveStart, 2 + 256 * 40);
    std::unique_ptr<vzentry> entry = ZIP_FindEntry(*open.archive, "stored.txt", true);
    ASSERT_TRUE(entry);
    char head[6] = {};
    const std::lock_guard<CriticalSection> guard(open.archive->lock);
    EXPECT_EQ(ZIP_Read(*open.archive, entry.get(), 0, head, 6), 6);
    EXPECT_EQ(std::string(head, 6), "stored");
}

TEST(ZipArchiveTest, Zip64FieldsComeFromTheExtraBlock) {
    const OpenArchive open(fixture("zip64.zip"));
    ASSERT_NE(open.archive, nullptr);
    std::unique_ptr<vzentry> stored = ZIP_FindEntry(*open.archive, "big/stored.txt", true);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->size, 16);
    EXPECT_EQ(stored->compressedSize, 0);
    std::unique_ptr<vzentry> deflated = ZIP_FindEntry(*open.archive, "big/first.txt", true);
    ASSERT_TRUE(deflated);
    EXPECT_EQ(deflated->size, 20000);
    EXPECT_GT(deflated->compressedSize, 0);
    EXPECT_EQ(deflated->dataPosition, 0);  // the first local header is at the file start
}

TEST(ZipArchiveTest, Zip64ScanStopsAtTheEndOfTheExtraField) {
    // The block says 200 bytes but the field holds 8: only the size can be taken.
    const OpenArchive open(fixture("bad_extra.zip"));
    ASSERT_NE(open.archive, nullptr);
    std::unique_ptr<vzentry> entry = ZIP_FindEntry(*open.archive, "odd-extra.txt", true);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->size, 0x0101010101010101);
    EXPECT_EQ(entry->compressedSize, 0);
    EXPECT_EQ(entry->extra.size(), 12u);
}

TEST(ZipArchiveTest, EntryAtWalksHeadersAcrossBlocksAndLongerThanABlock) {
    const OpenArchive open(fixture("big_directory.zip"));
    ASSERT_NE(open.archive, nullptr);
    ASSERT_EQ(open.archive->total, 400);
    // Header 200 is longer than a block: "0000;0001;...1799;", 9,000 bytes.
    std::string longComment;
    for (int k = 0; k < 1800; ++k) {
        char piece[8];
        std::snprintf(piece, sizeof piece, "%04d;", k);
        longComment += piece;
    }
    for (std::int32_t i = 0; i < open.archive->total; ++i) {
        std::unique_ptr<vzentry> entry = entryAt(*open.archive, i);
        ASSERT_TRUE(entry) << i;
        char expected[128];
        std::snprintf(expected, sizeof expected, "folder%03d/%s%s%s-%04d.txt", i / 50, "long-file-name",
                      "long-file-name", "long-file-name", i);
        EXPECT_EQ(entry->name, expected);
        EXPECT_EQ(entry->comment, i == 200 ? longComment : "") << i;
    }
    EXPECT_FALSE(entryAt(*open.archive, 400));
    EXPECT_FALSE(entryAt(*open.archive, -1));
}

TEST(ZipArchiveTest, ReleasedEntryIsReusedByTheNextLookup) {
    const OpenArchive open(fixture("sample.zip"));
    ASSERT_NE(open.archive, nullptr);
    std::unique_ptr<vzentry> entry = ZIP_FindEntry(*open.archive, "deflated.txt", true);
    ASSERT_TRUE(entry);
    const vzentry* released = entry.get();
    releaseEntry(*open.archive, std::move(entry));
    EXPECT_EQ(ZIP_FindEntry(*open.archive, "deflated.txt", true).get(), released);
}

TEST(ZipArchiveTest, ReadRefusesWhatIsOutOfRange) {
    const OpenArchive open(fixture("sample.zip"));
    ASSERT_NE(open.archive, nullptr);
    std::unique_ptr<vzentry> entry = ZIP_FindEntry(*open.archive, "stored.txt", true);
    ASSERT_TRUE(entry);
    char buffer[8];
    const std::lock_guard<CriticalSection> guard(open.archive->lock);
    EXPECT_EQ(ZIP_Read(*open.archive, nullptr, 0, buffer, 8), -1);
    EXPECT_STREQ(open.archive->message, "ZIP_Read: vzentry is NULL");
    EXPECT_EQ(ZIP_Read(*open.archive, entry.get(), entry->size, buffer, 8), -1);
    EXPECT_STREQ(open.archive->message, "ZIP_Read: specified offset out of range");
    EXPECT_EQ(ZIP_Read(*open.archive, entry.get(), -1, buffer, 8), -1);
    EXPECT_EQ(ZIP_Read(*open.archive, entry.get(), 0, buffer, 0), 0);
    // A read beyond the data is cut at its end.
    EXPECT_EQ(ZIP_Read(*open.archive, entry.get(), entry->size - 3, buffer, 8), 3);
    EXPECT_EQ(open.archive->message, nullptr);
}

}  // namespace

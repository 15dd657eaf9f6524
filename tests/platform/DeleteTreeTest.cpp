#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/LogCapture.h"
#include "diag/SysError.h"
#include "platform/BatchDeleter.h"
#include "platform/DirectoryIterator.h"
#include "platform/FileUtils.h"
#include "support/HeldFile.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

namespace {

using testsupport::pathExists;
using testsupport::writeFileText;

// root\top.txt, root\sub\inner.txt, root\sub\deeper\deep.txt, root\empty
std::string makeTree(const testsupport::TempFolder& temp) {
    const std::string root = temp.file("root");
    FileUtils::createDirs(root + R"(\sub\deeper)");
    FileUtils::createDirs(root + R"(\empty)");
    writeFileText(root + R"(\top.txt)", "1");
    writeFileText(root + R"(\sub\inner.txt)", "2");
    writeFileText(root + R"(\sub\deeper\deep.txt)", "3");
    return root;
}

// Counts the calls of a walk and stops after `limit` entries.
class CountingCallback : public FileUtils::DirectoryCallback {
public:
    explicit CountingCallback(int limit) : limit_(limit) {}
    bool onFile(const std::string& path) override { return record("file " + FileUtils::basename(path)); }
    bool onDirectory(const std::string& path) override { return record("dir " + FileUtils::basename(path)); }
    std::vector<std::string> calls;

private:
    bool record(const std::string& call) {
        calls.push_back(call);
        return static_cast<int>(calls.size()) < limit_;
    }
    int limit_;
};

TEST(IterateDirectoryTest, AnEmptyFolderGivesNoCalls) {
    const testsupport::TempFolder temp;
    CountingCallback callback(100);
    FileUtils::iterateDirectory(temp.path(), callback);
    EXPECT_TRUE(callback.calls.empty());
}

TEST(IterateDirectoryTest, AMissingFolderRaises) {
    const testsupport::TempFolder temp;
    CountingCallback callback(100);
    try {
        FileUtils::iterateDirectory(temp.file("missing"), callback);
        FAIL() << "no exception";
    } catch (const SysError& error) {
        EXPECT_EQ(error.code(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
        EXPECT_NE(std::string(error.what()).find("FindFirstFile(" + temp.file("missing") + ") failed"),
                  std::string::npos);
    }
    EXPECT_TRUE(callback.calls.empty());
}

TEST(IterateDirectoryTest, HandsFilesAndFoldersOverAndStopsOnFalse) {
    const testsupport::TempFolder temp;
    const std::string root = makeTree(temp);
    CountingCallback all(100);
    FileUtils::iterateDirectory(root, all);
    std::sort(all.calls.begin(), all.calls.end());
    EXPECT_EQ(all.calls, (std::vector<std::string>{"dir empty", "dir sub", "file top.txt"}));
    CountingCallback first(1);
    FileUtils::iterateDirectory(root, first);
    EXPECT_EQ(first.calls.size(), 1u);
}

TEST(DirectoryIteratorTest, CollectsInWalkOrderWithFoldersBeforeTheirContents) {
    const testsupport::TempFolder temp;
    const std::string root = makeTree(temp);
    FileUtils::DirectoryIterator everything(true, true, true);
    FileUtils::iterateDirectory(root, everything);
    const std::vector<std::string>& paths = everything.paths();
    ASSERT_EQ(paths.size(), 6u);
    const auto position = [&](const std::string& relative) {
        return std::find(paths.begin(), paths.end(), root + "\\" + relative) - paths.begin();
    };
    EXPECT_LT(position("sub"), position(R"(sub\inner.txt)"));
    EXPECT_LT(position("sub"), position(R"(sub\deeper)"));
    EXPECT_LT(position(R"(sub\deeper)"), position(R"(sub\deeper\deep.txt)"));
    EXPECT_LT(position(R"(sub\deeper\deep.txt)"), 6);
    EXPECT_LT(position("empty"), 6);
    EXPECT_LT(position("top.txt"), 6);

    FileUtils::DirectoryIterator filesHere(false, true, false);
    FileUtils::iterateDirectory(root, filesHere);
    EXPECT_EQ(filesHere.paths(), std::vector<std::string>{root + R"(\top.txt)"});
    FileUtils::DirectoryIterator foldersBelow(true, false, true);
    FileUtils::iterateDirectory(root, foldersBelow);
    EXPECT_EQ(foldersBelow.paths().size(), 3u);
}

TEST(DeleteTreeTest, RemovesEverythingBelowAndTheFolder) {
    const testsupport::TempFolder temp;
    const std::string root = makeTree(temp);
    FileUtils::deleteTree(root);
    EXPECT_FALSE(pathExists(root));
    EXPECT_TRUE(FileUtils::isDirectory(temp.path()));
}

TEST(DeleteTreeTest, AMissingFolderIsNoError) {
    const testsupport::TempFolder temp;
    FileUtils::deleteTree(temp.file("missing"));
    FileUtils::deleteTree(temp.file(R"(missing\deeper)"));
    EXPECT_TRUE(FileUtils::tryDeleteTree(temp.file("missing")));
    EXPECT_TRUE(FileUtils::deleteFilesIn(temp.file("missing")));
}

TEST(DeleteTreeTest, ReadOnlyFilesGoToo) {
    const testsupport::TempFolder temp;
    const std::string root = makeTree(temp);
    ASSERT_TRUE(SetFileAttributesA((root + R"(\sub\inner.txt)").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(FileUtils::tryDeleteTree(root));
    EXPECT_FALSE(pathExists(root));
}

TEST(DeleteTreeTest, AFileInUseMakesTheStrictFormRaiseAndTheTolerantFormReportFalse) {
    const testsupport::TempFolder temp;
    const std::string root = makeTree(temp);
    const std::string heldPath = root + R"(\sub\deeper\deep.txt)";
    const testsupport::HeldFile held(heldPath);
    try {
        FileUtils::deleteTree(root);
        FAIL() << "no exception";
    } catch (const SysError& error) {
        EXPECT_EQ(error.code(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        EXPECT_NE(std::string(error.what()).find("DeleteFile(" + heldPath + ") failed"), std::string::npos)
            << error.what();
    }
    writeFileText(root + R"(\sub\again.txt)", "4");
    EXPECT_FALSE(FileUtils::tryDeleteTree(root));
    // Everything else went; the file in use and the folders holding it stay.
    EXPECT_TRUE(pathExists(heldPath));
    EXPECT_FALSE(pathExists(root + R"(\sub\again.txt)"));
    EXPECT_FALSE(pathExists(root + R"(\top.txt)"));
    EXPECT_FALSE(pathExists(root + R"(\empty)"));
}

TEST(DeleteTreeTest, AFileGivenAsTreeIsNotDeleted) {
    const testsupport::TempFolder temp;
    writeFileText(temp.file("file"), "x");
    EXPECT_FALSE(FileUtils::tryDeleteTree(temp.file("file")));
    EXPECT_FALSE(FileUtils::deleteFilesIn(temp.file("file")));
    EXPECT_THROW(FileUtils::deleteTree(temp.file("file")), SysError);
    EXPECT_TRUE(pathExists(temp.file("file")));
}

TEST(DeleteFilesInTest, KeepsSubFoldersAndTheFolder) {
    const testsupport::TempFolder temp;
    const std::string root = makeTree(temp);
    writeFileText(root + R"(\second.txt)", "x");
    EXPECT_TRUE(FileUtils::deleteFilesIn(root));
    FileUtils::DirectoryIterator left(true, true, true);
    FileUtils::iterateDirectory(root, left);
    EXPECT_EQ(left.paths().size(), 5u);
    EXPECT_FALSE(pathExists(root + R"(\top.txt)"));
    EXPECT_FALSE(pathExists(root + R"(\second.txt)"));
    EXPECT_TRUE(pathExists(root + R"(\sub\inner.txt)"));
}

TEST(DeleteFilesInTest, AFileInUseGivesFalseAfterTheOthersWent) {
    const testsupport::TempFolder temp;
    writeFileText(temp.file("a"), "x");
    writeFileText(temp.file("b"), "x");
    writeFileText(temp.file("c"), "x");
    const testsupport::HeldFile held(temp.file("b"));
    EXPECT_FALSE(BatchDeleter(temp.path(), false).execute());
    EXPECT_FALSE(pathExists(temp.file("a")));
    EXPECT_TRUE(pathExists(temp.file("b")));
    EXPECT_FALSE(pathExists(temp.file("c")));
}

}  // namespace

#include "platform/FileUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include <string>
#include <vector>

#include "support/LogCapture.h"
#include "diag/SysError.h"
#include "platform/DirectoryIterator.h"
#include "platform/PendingRenames.h"
#include "support/HeldFile.h"
#include "support/LogRecords.h"
#include "support/PendingRenames.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

namespace {

using testsupport::pathExists;
using testsupport::readFileText;
using testsupport::writeFileText;

// The number of entries in a folder ("." and ".." left out).
std::size_t entryCount(const std::string& dir) {
    FileUtils::DirectoryIterator iterator(false, true, true);
    FileUtils::iterateDirectory(dir, iterator);
    return iterator.paths().size();
}

template <class Action>
SysError sysErrorOf(Action action) {
    try {
        action();
    } catch (const SysError& error) {
        return error;
    }
    ADD_FAILURE() << "no SysError thrown";
    return SysError("", nullptr, 0);
}

TEST(CreateDirsTest, CreatesEveryMissingLevelAndAcceptsExistingOnes) {
    const testsupport::TempFolder temp;
    const std::string deep = temp.file(R"(a\b/c\\)");
    FileUtils::createDirs(deep);
    EXPECT_TRUE(FileUtils::isDirectory(temp.file(R"(a\b\c)")));
    const auto messages =
        testsupport::logMessagesOf([&] { FileUtils::createDirs(temp.file(R"(a\b\c\d)")); });
    EXPECT_EQ(messages, std::vector<std::string>{"Created [" + temp.file(R"(a\b\c\d\)") + "] directory"});
}

TEST(CreateDirsTest, AFileInTheWayRaises) {
    const testsupport::TempFolder temp;
    writeFileText(temp.file("file"), "x");
    const SysError error = sysErrorOf([&] { FileUtils::createDirs(temp.file(R"(file\sub)")); });
    EXPECT_NE(std::string(error.what()).find("CreateDirectory(" + temp.file("file\\") + ") failed"),
              std::string::npos)
        << error.what();
}

TEST(CreateDirWithSecurityTest, CreatesParentsAndTheSecuredFolder) {
    const testsupport::TempFolder temp;
    const security::SecurityDescriptor descriptor = security::ownerFolderDescriptor();
    FileUtils::createDirWithSecurity(temp.file(R"(parent\secured)"), descriptor);
    EXPECT_TRUE(FileUtils::isDirectory(temp.file(R"(parent\secured)")));
}

TEST(CreateDirWithSecurityTest, AnExistingFolderRaises) {
    const testsupport::TempFolder temp;
    const security::SecurityDescriptor descriptor = security::ownerFolderDescriptor();
    const SysError error = sysErrorOf([&] { FileUtils::createDirWithSecurity(temp.path(), descriptor); });
    EXPECT_EQ(error.code(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_NE(std::string(error.what()).find("CreateDirectory(" + temp.path() + ") failed"),
              std::string::npos);
}

TEST(CreateTempFileTest, CreatesANewNumberedFileEachTime) {
    const testsupport::TempFolder temp;
    const std::string first = FileUtils::createTempFile(temp.path(), "pre", ".tmp");
    const std::string second = FileUtils::createTempFile(temp.path(), "pre", ".tmp");
    EXPECT_NE(first, second);
    for (const std::string& path : {first, second}) {
        EXPECT_EQ(FileUtils::dirname(path), temp.path() + "\\");
        EXPECT_EQ(FileUtils::basename(path).substr(0, 3), "pre");
        EXPECT_EQ(FileUtils::suffix(path), ".tmp");
        EXPECT_TRUE(pathExists(path));
    }
}

TEST(CreateTempFileTest, IllegalCharactersRaiseBeforeTheDiskIsTouched) {
    const testsupport::TempFolder temp;
    const std::string missing = temp.file("missing");
    struct Case {
        std::string prefix;
        std::string suffix;
        std::string message;
    };
    for (const Case& c :
         {Case{"a?b", ".tmp", "Illegal characters in prefix=a?b"},
          Case{"a\\b", ".tmp", "Illegal characters in prefix=a\\b"},
          Case{std::string("a\x1f", 2), ".tmp", "Illegal characters in prefix=" + std::string("a\x1f")},
          Case{"ok", ".t*p", "Illegal characters in suffix=.t*p"},
          Case{"ok", "/x", "Illegal characters in suffix=/x"}}) {
        // The folder does not exist: a message about it would mean the disk was tried.
        try {
            FileUtils::createTempFile(missing, c.prefix, c.suffix);
            ADD_FAILURE() << "no exception for " << c.prefix << " " << c.suffix;
        } catch (const std::runtime_error& error) {
            const std::string what = error.what();
            EXPECT_EQ(what.substr(what.size() - c.message.size()), c.message);
        }
    }
    EXPECT_EQ(entryCount(temp.path()), 0u);
}

TEST(CreateTempFileTest, AMissingFolderRaisesAfterTheAttempts) {
    const testsupport::TempFolder temp;
    const SysError error = sysErrorOf([&] { FileUtils::createTempFile(temp.file("missing"), "p", ".s"); });
    EXPECT_NE(std::string(error.what()).find("createTempFile(p, .s, " + temp.file("missing") + ") failed"),
              std::string::npos)
        << error.what();
}

TEST(CreateUniqueFileTest, TakesThePathOrANewNameBesideIt) {
    const testsupport::TempFolder temp;
    const std::string wanted = temp.file("name.dll");
    EXPECT_EQ(FileUtils::createUniqueFile(wanted), wanted);
    const std::string other = FileUtils::createUniqueFile(wanted);
    EXPECT_NE(other, wanted);
    EXPECT_EQ(FileUtils::dirname(other), temp.path() + "\\");
    EXPECT_EQ(FileUtils::basename(other).substr(0, 4), "name");
    EXPECT_EQ(FileUtils::suffix(other), ".dll");
    EXPECT_TRUE(pathExists(other));
}

TEST(CopyFileTest, CreatesTheTargetFolderAndHonoursFailIfExists) {
    const testsupport::TempFolder temp;
    writeFileText(temp.file("source"), "content");
    const std::string target = temp.file(R"(new\folder\target)");
    const auto messages =
        testsupport::logMessagesOf([&] { FileUtils::copyFile(temp.file("source"), target, true); });
    EXPECT_EQ(readFileText(target), "content");
    EXPECT_EQ(messages.back(), "Copied [" + temp.file("source") + "] file to [" + target + "]");

    writeFileText(temp.file("source"), "changed");
    const SysError error = sysErrorOf([&] { FileUtils::copyFile(temp.file("source"), target, true); });
    EXPECT_EQ(error.code(), static_cast<DWORD>(ERROR_FILE_EXISTS));
    EXPECT_NE(
        std::string(error.what()).find("CopyFile(" + temp.file("source") + ", " + target + ", 1) failed"),
        std::string::npos)
        << error.what();
    FileUtils::copyFile(temp.file("source"), target, false);
    EXPECT_EQ(readFileText(target), "changed");
}

TEST(CopyPersistentFileTest, AMissingSourceRaises) {
    const testsupport::TempFolder temp;
    try {
        FileUtils::copyPersistentFile(temp.file("missing"), temp.file("target"));
        FAIL() << "no exception";
    } catch (const std::runtime_error& error) {
        const std::string expected = "FileUtils::copyPersistentFile(" + temp.file("missing") + ", " +
                                     temp.file("target") + ", 0) failed. Source file not found.";
        EXPECT_NE(std::string(error.what()).find(expected), std::string::npos) << error.what();
    }
    EXPECT_FALSE(pathExists(temp.file("target")));
}

TEST(CopyPersistentFileTest, OverwritesATargetThatIsFree) {
    const testsupport::TempFolder temp;
    writeFileText(temp.file("source"), "new");
    writeFileText(temp.file("target"), "old");
    FileUtils::copyPersistentFile(temp.file("source"), temp.file("target"));
    EXPECT_EQ(readFileText(temp.file("target")), "new");
}

TEST(CopyPersistentFileTest, ATargetInUseIsReplacedAtReboot) {
    const testsupport::TempFolder temp;
    const std::string target = temp.file("bridge.dll");
    writeFileText(temp.file("source"), "new");
    writeFileText(target, "old");
    const std::size_t pendingBefore = testsupport::pendingRenames().size();
    {
        const testsupport::HeldFile held(target);
        FileUtils::copyPersistentFile(temp.file("source"), target);
    }
    EXPECT_EQ(readFileText(target), "old");
    const std::vector<testsupport::PendingRename> pending = testsupport::pendingRenames();
    ASSERT_EQ(pending.size(), pendingBefore + 1);
    const testsupport::PendingRename& replace = pending.back();
    EXPECT_EQ(replace.target, "!" + testsupport::pendingPath(target));
    // The replacement waits beside the target, named after it, with the new content.
    const std::string replacement = replace.source.substr(4);
    EXPECT_EQ(replace.source, testsupport::pendingPath(replacement));
    EXPECT_EQ(FileUtils::dirname(replacement), temp.path() + "\\");
    EXPECT_EQ(FileUtils::basename(replacement).substr(0, 6), "bridge");
    EXPECT_EQ(FileUtils::suffix(replacement), ".dll");
    EXPECT_EQ(readFileText(replacement), "new");
}

// A deletion of the target scheduled for the restart (by an earlier run, whose deletion
// met the file in use) would remove a plain copy then: the copy is made now and again
// through the restart, after that deletion.
TEST(CopyPersistentFileTest, ACopyOverATargetWhoseDeletionIsPendingIsRepeatedAtReboot) {
    const testsupport::TempFolder temp;
    const std::string target = temp.file("Bridge-64.dll");
    writeFileText(temp.file("source"), "new");
    writeFileText(target, "old");
    EXPECT_FALSE(PendingRenames::isPendingAtRestart(target));
    FileUtils::deleteOnReboot(target);
    std::string otherForm = target;
    std::transform(otherForm.begin(), otherForm.end(), otherForm.begin(),
                   [](char c) { return c == '\\' ? '/' : static_cast<char>(std::toupper(c)); });
    EXPECT_TRUE(PendingRenames::isPendingAtRestart(otherForm)) << "another case, other separators";
    EXPECT_FALSE(PendingRenames::isPendingAtRestart(temp.file("source")));
    const std::size_t pendingBefore = testsupport::pendingRenames().size();

    FileUtils::copyPersistentFile(temp.file("source"), target);

    EXPECT_EQ(readFileText(target), "new") << "in place until the restart";
    const std::vector<testsupport::PendingRename> pending = testsupport::pendingRenames();
    ASSERT_EQ(pending.size(), pendingBefore + 1);
    EXPECT_EQ(pending[pendingBefore - 1], (testsupport::PendingRename{testsupport::pendingPath(target), ""}));
    EXPECT_EQ(pending.back().target, "!" + testsupport::pendingPath(target)) << "after the deletion";
    EXPECT_EQ(readFileText(pending.back().source.substr(4)), "new");
}

// The source cannot be read, so neither the copy over the target nor the replacement
// beside it can be made: the failure is reported and nothing is left beside the target.
TEST(CopyPersistentFileTest, AFailedReplacementLeavesNoFileBehind) {
    const testsupport::TempFolder temp;
    writeFileText(temp.file("source"), "new");
    writeFileText(temp.file("target"), "old");
    const testsupport::HeldFile held(temp.file("source"));
    EXPECT_THROW(FileUtils::copyPersistentFile(temp.file("source"), temp.file("target")), std::exception);
    WIN32_FIND_DATAA found;
    std::vector<std::string> names;
    const HANDLE search = FindFirstFileA(temp.file("*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    do {
        if (found.cFileName[0] != '.') names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"source", "target"}));
    EXPECT_EQ(readFileText(temp.file("target")), "old");
}

TEST(MoveFileTest, LogsWhatWasMovedOrScheduled) {
    const testsupport::TempFolder temp;
    writeFileText(temp.file("a"), "x");
    FileUtils::createDirs(temp.file("dir"));
    const auto messages = testsupport::logMessagesOf([&] {
        FileUtils::moveFile(temp.file("a"), temp.file("b"), 0);
        FileUtils::moveFile(temp.file("dir"), temp.file("dir2"), 0);
        FileUtils::moveFile(temp.file("b"), temp.file("c"), MOVEFILE_DELAY_UNTIL_REBOOT);
        FileUtils::moveFile(temp.file("dir2"), "", MOVEFILE_DELAY_UNTIL_REBOOT);
    });
    EXPECT_EQ(messages, (std::vector<std::string>{
                            "Moved '" + temp.file("a") + "' file to '" + temp.file("b") + "'",
                            "Moved '" + temp.file("dir") + "' folder to '" + temp.file("dir2") + "'",
                            "Move '" + temp.file("b") + "' file to '" + temp.file("c") + "' on reboot",
                            "Delete '" + temp.file("dir2") + "' folder on reboot",
                        }));
    const std::vector<testsupport::PendingRename> pending = testsupport::pendingRenames();
    ASSERT_GE(pending.size(), 2u);
    EXPECT_EQ(pending[pending.size() - 2],
              (testsupport::PendingRename{testsupport::pendingPath(temp.file("b")),
                                          testsupport::pendingPath(temp.file("c"))}));
    EXPECT_EQ(pending.back(), (testsupport::PendingRename{testsupport::pendingPath(temp.file("dir2")), ""}));
}

TEST(MoveFileTest, AFailureNamesTheArgumentsAndFlags) {
    const testsupport::TempFolder temp;
    const SysError error = sysErrorOf([&] { FileUtils::moveFile(temp.file("missing"), temp.file("b"), 1); });
    EXPECT_EQ(error.code(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_NE(std::string(error.what())
                  .find("MoveFileEx(" + temp.file("missing") + ", " + temp.file("b") + ", 1) failed"),
              std::string::npos)
        << error.what();
}

TEST(DeleteFileTest, AReadOnlyFileIsDeletedAfterItsAttributeIsCleared) {
    const testsupport::TempFolder temp;
    const std::string path = temp.file("readonly");
    writeFileText(path, "x");
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_FALSE(DeleteFileA(path.c_str()));
    ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    bool deleted = false;
    const auto messages = testsupport::logMessagesOf([&] { deleted = FileUtils::tryDeleteFile(path); });
    EXPECT_TRUE(deleted);
    EXPECT_FALSE(pathExists(path));
    EXPECT_EQ(messages, (std::vector<std::string>{"Discarded R/O attribute from [" + path + "] file",
                                                  "Deleted [" + path + "] file"}));
}

TEST(DeleteFileTest, AMissingFileCountsAsDeleted) {
    const testsupport::TempFolder temp;
    EXPECT_TRUE(FileUtils::tryDeleteFile(temp.file("missing")));
    EXPECT_TRUE(FileUtils::tryDeleteFile(temp.file(R"(missing\file)")));
    FileUtils::deleteFile(temp.file("missing"));
}

TEST(DeleteFileTest, AFileInUseStaysAndTheStrictFormRaises) {
    const testsupport::TempFolder temp;
    const std::string path = temp.file("held");
    writeFileText(path, "x");
    const testsupport::HeldFile held(path);
    EXPECT_FALSE(FileUtils::tryDeleteFile(path));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    const SysError error = sysErrorOf([&] { FileUtils::deleteFile(path); });
    EXPECT_EQ(error.code(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_NE(std::string(error.what()).find("DeleteFile(" + path + ") failed"), std::string::npos);
    EXPECT_TRUE(pathExists(path));
}

TEST(DeleteDirectoryTest, RemovesOnlyEmptyFoldersAndToleratesMissingOnes) {
    const testsupport::TempFolder temp;
    FileUtils::createDirs(temp.file(R"(full\sub)"));
    EXPECT_FALSE(FileUtils::tryDeleteDirectory(temp.file("full")));
    const SysError error = sysErrorOf([&] { FileUtils::deleteDirectory(temp.file("full")); });
    EXPECT_EQ(error.code(), static_cast<DWORD>(ERROR_DIR_NOT_EMPTY));
    EXPECT_NE(std::string(error.what()).find("RemoveDirectory(" + temp.file("full") + ") failed"),
              std::string::npos);
    const auto messages =
        testsupport::logMessagesOf([&] { FileUtils::deleteDirectory(temp.file(R"(full\sub)")); });
    EXPECT_EQ(messages, std::vector<std::string>{"Deleted [" + temp.file(R"(full\sub)") + "] directory"});
    EXPECT_TRUE(FileUtils::tryDeleteDirectory(temp.file("missing")));
    EXPECT_TRUE(FileUtils::tryDeleteDirectory(temp.file(R"(missing\deeper)")));
}

TEST(DeleteOnRebootTest, SchedulesTheDeletionAndOnlyLogsFailures) {
    const testsupport::TempFolder temp;
    writeFileText(temp.file("file"), "x");
    FileUtils::deleteOnReboot(temp.file("file"));
    EXPECT_EQ(testsupport::pendingRenames().back(),
              (testsupport::PendingRename{testsupport::pendingPath(temp.file("file")), ""}));
    EXPECT_TRUE(pathExists(temp.file("file")));
}

TEST(SecurityOfFilesTest, DescriptorsApplyToFoldersAndFiles) {
    const testsupport::TempFolder temp;
    writeFileText(temp.file("file"), "x");
    const security::SecurityDescriptor owner = security::ownerFolderDescriptor();
    const security::SecurityDescriptor dacl("D:(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FRFX;;;WD)");
    FileUtils::setSecurity(temp.path(), owner);
    FileUtils::setSecurity(temp.file("file"), dacl);
    FileUtils::setPermissions(temp.path(), dacl);
    FileUtils::setPermissions(temp.file("file"), dacl);
}

TEST(SecurityOfFilesTest, FailuresNameThePath) {
    const testsupport::TempFolder temp;
    const std::string missing = temp.file("missing");
    const security::SecurityDescriptor dacl("D:(A;;FA;;;SY)(A;;FA;;;BA)(A;;FR;;;WD)");
    EXPECT_NE(std::string(sysErrorOf([&] { FileUtils::setPermissions(missing, dacl); }).what())
                  .find("setPermissions(" + missing + ") failed"),
              std::string::npos);
    EXPECT_NE(std::string(sysErrorOf([&] { FileUtils::setSecurity(missing, dacl); }).what())
                  .find("setSecurity(" + missing + ") failed"),
              std::string::npos);
    // A descriptor with neither owner nor DACL has nothing to apply.
    const security::SecurityDescriptor groupOnly("G:BA");
    try {
        FileUtils::setSecurity(temp.path(), groupOnly);
        FAIL() << "no exception";
    } catch (const std::runtime_error& error) {
        const std::string what = error.what();
        const std::string expected = "setSecurity(" + temp.path() + ") nothing to set";
        EXPECT_EQ(what.substr(what.size() - expected.size()), expected);
    }
}

}  // namespace

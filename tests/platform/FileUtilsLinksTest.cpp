#include "platform/FileUtilsLinks.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "diag/SysError.h"
#include "platform/CleanupList.h"
#include "platform/DirectoryIterator.h"
#include "platform/FileUtils.h"
#include "support/FolderLink.h"
#include "support/PendingRenames.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

namespace {

using testsupport::pathExists;
using testsupport::writeFileText;

// The end of an exception text, after the location prefix.
template <class Action>
std::string failureOf(Action action) {
    try {
        action();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "no exception";
}

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

TEST(JunctionTest, CreatesAJunctionThatReadsBackOrReportsWhyNot) {
    const testsupport::TempFolder temp;
    const testsupport::JunctionSupport support = testsupport::probeJunctions(temp.path());
    const std::string target = temp.file("target");
    const std::string link = temp.file(R"(links\veskpath)");
    FileUtils::createDirs(target);
    if (!support.supported) {
        try {
            FileUtils::createJunction(link, target);
            FAIL() << "createJunction succeeded where the file system refused a junction";
        } catch (const SysError& error) {
            EXPECT_EQ(error.code(), support.error);
            EXPECT_NE(std::string(error.what()).find(link + ": cannot set reparse point"), std::string::npos)
                << error.what();
        }
        GTEST_SKIP() << "this file system refuses junctions (FSCTL_SET_REPARSE_POINT: error " << support.error
                     << "); the failure report was checked";
    }
    FileUtils::createJunction(link, target);
    EXPECT_TRUE(FileUtils::isReparsePoint(link));
    FileUtils::LinkKind kind = FileUtils::LinkKind::SymbolicLink;
    EXPECT_EQ(FileUtils::getLinkTarget(link, &kind), target);
    EXPECT_EQ(kind, FileUtils::LinkKind::Junction);
    writeFileText(FileUtils::join(target, "file"), "x");
    EXPECT_TRUE(pathExists(FileUtils::join(link, "file")));
    FileUtils::deleteJunction(link);
    EXPECT_FALSE(pathExists(link));
    EXPECT_TRUE(pathExists(FileUtils::join(target, "file")));
}

// tree\file.txt and tree\sub\link, a folder link to outside\precious.txt.
class FolderLinkInTreeTest : public testing::Test {
protected:
    void SetUp() override {
        FileUtils::createDirs(outside);
        FileUtils::createDirs(FileUtils::join(tree, "sub"));
        writeFileText(FileUtils::join(outside, "precious.txt"), "x");
        writeFileText(FileUtils::join(tree, "file.txt"), "x");
        const std::string why = testsupport::makeFolderLink(link, outside);
        if (!why.empty()) {
            GTEST_SKIP() << why;
        }
    }

    // What must hold after any deletion of the tree: the link's target and its content
    // are untouched, the tree's own file went, and the tree is gone exactly when the
    // deletion reported success.
    void expectTargetUntouched(bool reportedSuccess) {
        EXPECT_TRUE(pathExists(FileUtils::join(outside, "precious.txt")));
        EXPECT_FALSE(pathExists(FileUtils::join(tree, "file.txt")));
        EXPECT_EQ(reportedSuccess, !pathExists(tree));
    }

    const testsupport::TempFolder temp;
    const std::string outside = temp.file("outside");
    const std::string tree = temp.file("tree");
    const std::string link = FileUtils::join(tree, R"(sub\link)");
};

TEST_F(FolderLinkInTreeTest, TheTolerantDeletionRemovesTheLinkNotItsTarget) {
    expectTargetUntouched(FileUtils::tryDeleteTree(tree));
}

TEST_F(FolderLinkInTreeTest, TheStrictDeletionRemovesTheLinkNotItsTarget) {
    bool deleted = true;
    try {
        FileUtils::deleteTree(tree);
    } catch (const SysError& error) {
        // Where the platform cannot remove the link itself (Wine with a Unix link).
        EXPECT_NE(std::string(error.what()).find("RemoveDirectory(" + link + ") failed"), std::string::npos)
            << error.what();
        deleted = false;
    }
    expectTargetUntouched(deleted);
}

TEST_F(FolderLinkInTreeTest, ALinkGivenAsTheTreeIsRemovedAsALink) {
    const bool deleted = FileUtils::tryDeleteTree(link);
    EXPECT_TRUE(pathExists(FileUtils::join(outside, "precious.txt")));
    EXPECT_EQ(deleted, !pathExists(link));
}

TEST_F(FolderLinkInTreeTest, GetLinkTargetReadsTheLinkOrSaysWhyNot) {
    try {
        EXPECT_EQ(FileUtils::getLinkTarget(link), outside);
    } catch (const SysError& error) {
        // Wine opens its Unix links but keeps no reparse data for them.
        EXPECT_EQ(error.code(), static_cast<DWORD>(ERROR_NOT_A_REPARSE_POINT));
        EXPECT_NE(std::string(error.what()).find(link + ": cannot get reparse point"), std::string::npos)
            << error.what();
    }
}

TEST_F(FolderLinkInTreeTest, ACollectingWalkStaysInsideTheTree) {
    FileUtils::DirectoryIterator everything(true, true, true);
    FileUtils::iterateDirectory(tree, everything);
    std::vector<std::string> paths = everything.paths();
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths, (std::vector<std::string>{FileUtils::join(tree, "file.txt"),
                                               FileUtils::join(tree, "sub"), link}));
}

TEST_F(FolderLinkInTreeTest, RebootSchedulingNeverReachesTheTarget) {
    const std::size_t before = testsupport::pendingRenames().size();
    {
        CleanupList list(true);
        list.addTree(tree);
    }
    const std::vector<testsupport::PendingRename> pending = testsupport::pendingRenames();
    for (std::size_t i = before; i < pending.size(); ++i) {
        EXPECT_EQ(pending[i].source.find(outside), std::string::npos) << pending[i].source;
    }
    EXPECT_TRUE(pathExists(FileUtils::join(outside, "precious.txt")));
}

TEST(JunctionTest, ATargetTooLongForTheReparseBufferRaisesBeforeTheDiskIsTouched) {
    const testsupport::TempFolder temp;
    const std::string link = temp.file("link");
    const std::string target = "C:\\" + std::string(5000, 'x');
    // "\??\" + target and its terminator take 5008 of the 8184
    // characters, which leaves 3176 for the print name.
    const std::string message = failureOf([&] { FileUtils::createJunction(link, target); });
    EXPECT_TRUE(endsWith(message, "wcscpy_s(ptr, 3176, " + target + ") failed. Return value: 34")) << message;
    EXPECT_FALSE(pathExists(link));
}

TEST(LinkTest, PathsThatAreNotLinksAreRefused) {
    const testsupport::TempFolder temp;
    writeFileText(temp.file("file"), "x");
    const std::string folder = temp.path();
    const std::string missing = temp.file("missing");
    EXPECT_TRUE(endsWith(failureOf([&] { FileUtils::getLinkTarget(folder); }), folder + ": not a link"));
    EXPECT_TRUE(endsWith(failureOf([&] { FileUtils::getLinkTarget(missing); }), missing + ": not a link"));
    EXPECT_TRUE(
        endsWith(failureOf([&] { FileUtils::deleteJunction(folder); }), folder + ": is not a junction"));
    EXPECT_TRUE(
        endsWith(failureOf([&] { FileUtils::deleteJunction(missing); }), missing + ": is not a junction"));
    EXPECT_TRUE(endsWith(failureOf([&] { FileUtils::deleteSymLink(temp.file("file")); }),
                         "Not a symlink: " + temp.file("file")));
    EXPECT_TRUE(pathExists(folder));
    EXPECT_TRUE(pathExists(temp.file("file")));
}

TEST(LinkTest, SymbolicLinksReadBackAndGoAsLinks) {
    const testsupport::TempFolder temp;
    writeFileText(temp.file("target.txt"), "x");
    const std::string link = temp.file("link.txt");
    if (!CreateSymbolicLinkA(link.c_str(), temp.file("target.txt").c_str(), 0)) {
        GTEST_SKIP() << "CreateSymbolicLinkA fails here with error " << GetLastError();
    }
    if (!FileUtils::isReparsePoint(link)) {
        GTEST_SKIP() << "CreateSymbolicLinkA reports success but makes no reparse point here";
    }
    EXPECT_EQ(FileUtils::getLinkTarget(link), temp.file("target.txt"));
    FileUtils::deleteSymLink(link);
    EXPECT_FALSE(pathExists(link));
    EXPECT_TRUE(pathExists(temp.file("target.txt")));
}

// A relative symbolic link names its target from the link's folder; the target comes
// back as the full path it names.
TEST(LinkTest, RelativeSymbolicLinksReadBackAsFullPaths) {
    const testsupport::TempFolder temp;
    FileUtils::createDirs(temp.file("links"));
    FileUtils::createDirs(temp.file("targets"));
    writeFileText(temp.file(R"(targets\target.txt)"), "x");
    const std::string link = temp.file(R"(links\link.txt)");
    if (!CreateSymbolicLinkA(link.c_str(), R"(..\targets\target.txt)", 0) ||
        !FileUtils::isReparsePoint(link)) {
        GTEST_SKIP() << "CreateSymbolicLinkA makes no relative symbolic link here (error " << GetLastError()
                     << ")";
    }
    FileUtils::LinkKind kind = FileUtils::LinkKind::Junction;
    EXPECT_EQ(FileUtils::getLinkTarget(link, &kind), temp.file(R"(targets\target.txt)"));
    EXPECT_EQ(kind, FileUtils::LinkKind::SymbolicLink);
}

}  // namespace

#include "platform/CleanupList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/FileUtils.h"
#include "support/FolderLink.h"
#include "support/HeldFile.h"
#include "support/LogCapture.h"
#include "support/PendingRenames.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

namespace {

using testsupport::pathExists;
using testsupport::pendingPath;
using testsupport::PendingRename;
using testsupport::writeFileText;

// The operations recorded for the next restart while `action` runs.
template <class Action>
std::vector<PendingRename> scheduledBy(Action action) {
    const std::size_t before = testsupport::pendingRenames().size();
    action();
    const std::vector<PendingRename> after = testsupport::pendingRenames();
    return std::vector<PendingRename>(after.begin() + static_cast<std::ptrdiff_t>(before), after.end());
}

PendingRename deletion(const std::string& path) { return PendingRename{pendingPath(path), ""}; }

TEST(CleanupListTest, RunsFilesThenFolderContentsThenTreesThenEmptyFolders) {
    const testsupport::TempFolder temp;
    const std::string root = temp.file("root");
    FileUtils::createDirs(root + R"(\contents\keep)");
    FileUtils::createDirs(root + R"(\tree\sub)");
    writeFileText(root + R"(\contents\c.txt)", "x");
    writeFileText(root + R"(\tree\sub\t.txt)", "x");
    writeFileText(root + R"(\f.txt)", "x");
    const auto messages = testsupport::logMessagesOf([&] {
        // Added in the reverse of the order they must run in: every entry can only
        // succeed after those of the lower kinds.
        CleanupList list(false);
        list.addEmptyDir(root + R"(\contents\keep)");
        list.addEmptyDir(root + R"(\contents)");
        list.addEmptyDir(root);
        list.addTree(root + R"(\tree)");
        list.addFilesIn(root + R"(\contents)");
        list.addFile(root + R"(\f.txt)");
    });
    EXPECT_EQ(messages, (std::vector<std::string>{
                            "Deleted [" + root + R"(\f.txt] file)",
                            "Deleted [" + root + R"(\contents\c.txt] file)",
                            "Deleted [" + root + R"(\tree\sub\t.txt] file)",
                            "Deleted [" + root + R"(\tree\sub] directory)",
                            "Deleted [" + root + R"(\tree] directory)",
                            "Deleted [" + root + R"(\contents\keep] directory)",
                            "Deleted [" + root + R"(\contents] directory)",
                            "Deleted [" + root + R"(] directory)",
                        }));
    EXPECT_FALSE(pathExists(root));
}

TEST(CleanupListTest, WithoutTheRebootFlagWhatIsLeftStaysUnscheduled) {
    const testsupport::TempFolder temp;
    const std::string root = temp.file("root");
    FileUtils::createDirs(root);
    writeFileText(root + R"(\held.txt)", "x");
    writeFileText(root + R"(\free.txt)", "x");
    const testsupport::HeldFile held(root + R"(\held.txt)");
    const auto scheduled = scheduledBy([&] {
        CleanupList list(false);
        list.addTree(root);
        list.addFile(root + R"(\held.txt)");
    });
    EXPECT_TRUE(scheduled.empty());
    EXPECT_TRUE(pathExists(root + R"(\held.txt)"));
    EXPECT_FALSE(pathExists(root + R"(\free.txt)"));
}

TEST(CleanupListTest, WithTheRebootFlagATreeInUseIsScheduledContentsBeforeFolders) {
    const testsupport::TempFolder temp;
    const std::string root = temp.file("root");
    const std::string sub = root + R"(\sub)";
    const std::string heldPath = sub + R"(\held.txt)";
    FileUtils::createDirs(sub);
    writeFileText(heldPath, "x");
    writeFileText(root + R"(\free.txt)", "x");
    const testsupport::HeldFile held(heldPath);
    const auto scheduled = scheduledBy([&] {
        CleanupList list(true);
        list.addTree(root);
    });
    EXPECT_EQ(scheduled, (std::vector<PendingRename>{deletion(heldPath), deletion(sub), deletion(root)}));
    EXPECT_FALSE(pathExists(root + R"(\free.txt)"));
}

TEST(CleanupListTest, WithTheRebootFlagEachKindSchedulesItsLeftovers) {
    const testsupport::TempFolder temp;
    const std::string files = temp.file("files");
    const std::string notEmpty = temp.file("notEmpty");
    FileUtils::createDirs(files + R"(\sub)");
    FileUtils::createDirs(notEmpty);
    writeFileText(files + R"(\held.txt)", "x");
    writeFileText(files + R"(\sub\inner.txt)", "x");
    writeFileText(notEmpty + R"(\keep.txt)", "x");
    writeFileText(temp.file("single.txt"), "x");
    const testsupport::HeldFile heldInFolder(files + R"(\held.txt)");
    const testsupport::HeldFile heldSingle(temp.file("single.txt"));
    const auto scheduled = scheduledBy([&] {
        CleanupList list(true);
        list.addEmptyDir(notEmpty);
        list.addFilesIn(files);
        list.addFile(temp.file("single.txt"));
        list.addFile(temp.file("gone.txt"));
    });
    // Only the files directly in the folder; a missing file needs nothing.
    EXPECT_EQ(scheduled, (std::vector<PendingRename>{deletion(temp.file("single.txt")),
                                                     deletion(files + R"(\held.txt)"), deletion(notEmpty)}));
    EXPECT_TRUE(pathExists(files + R"(\sub\inner.txt)"));
}

TEST(CleanupListTest, DeleteNowOrAtRebootDeletesAFreeFileAtOnce) {
    const testsupport::TempFolder temp;
    writeFileText(temp.file("free"), "x");
    writeFileText(temp.file("held"), "x");
    const testsupport::HeldFile held(temp.file("held"));
    const auto scheduled = scheduledBy([&] {
        FileUtils::deleteNowOrAtReboot(temp.file("free"));
        FileUtils::deleteNowOrAtReboot(temp.file("held"));
    });
    EXPECT_FALSE(pathExists(temp.file("free")));
    EXPECT_EQ(scheduled, std::vector<PendingRename>{deletion(temp.file("held"))});
}

TEST(CleanupListTest, AddDirChainAddsTheFolderAndItsParentsBelowTheBase) {
    const testsupport::TempFolder temp;
    const std::string base = temp.file("Base");
    FileUtils::createDirs(base + R"(\Veyra\Vesk\veskpath)");
    FileUtils::createDirs(base + R"(\other)");
    {
        CleanupList list(false);
        // The base is given in another spelling: it is compared after normalising.
        list.addDirChain(temp.file("base/"), R"(Veyra\Vesk\veskpath)");
    }
    EXPECT_FALSE(pathExists(base + R"(\Veyra)"));
    EXPECT_TRUE(FileUtils::isDirectory(base));
}

TEST(CleanupListTest, AddDirChainStopsAtAFolderThatIsNotEmptyAndNeverLeavesTheBase) {
    const testsupport::TempFolder temp;
    const std::string base = temp.file("base");
    FileUtils::createDirs(base + R"(\Veyra\Vesk\veskpath)");
    FileUtils::createDirs(base + R"(\Veyra\Other)");
    FileUtils::createDirs(temp.file("outside"));
    {
        CleanupList list(false);
        list.addDirChain(base, R"(Veyra\Vesk\veskpath)");
        list.addDirChain(base, R"(..\outside)");
    }
    EXPECT_FALSE(pathExists(base + R"(\Veyra\Vesk)"));
    EXPECT_TRUE(FileUtils::isDirectory(base + R"(\Veyra\Other)"));
    EXPECT_TRUE(FileUtils::isDirectory(temp.file("outside")));
}

// "." and empty pieces name no folder of the chain: whatever the spelling, the base stays
// and only the folders strictly below it go.
TEST(CleanupListTest, AddDirChainNeverRemovesTheBaseWhateverTheSpelling) {
    struct Case {
        const char* relative;
        bool chainGoes;
    };
    const Case cases[] = {
        {".", false},
        {"", false},
        {".\\", false},
        {"\\", false},
        {R"(.\.\.)", false},
        {R"(Veyra\..)", false},
        {R"(.\Veyra\.\Vesk)", true},
        {"./Veyra//Vesk/", true},
        {R"(\Veyra\Vesk)", true},
    };
    for (const Case& c : cases) {
        const testsupport::TempFolder temp;
        const std::string base = temp.file("base");
        FileUtils::createDirs(base + R"(\Veyra\Vesk)");
        {
            CleanupList list(false);
            list.addDirChain(base, c.relative);
        }
        EXPECT_TRUE(FileUtils::isDirectory(base)) << c.relative;
        EXPECT_EQ(pathExists(base + R"(\Veyra)"), !c.chainGoes) << c.relative;
    }
}

// The files "in" a folder link are those of the folder it leads to: neither deleting
// them now nor scheduling them for the restart may reach there.
TEST(CleanupListTest, FilesInAFolderLinkAreLeftAlone) {
    const testsupport::TempFolder temp;
    const std::string target = temp.file("target");
    FileUtils::createDirs(target);
    writeFileText(target + R"(\victim.txt)", "x");
    const std::string link = temp.file("link");
    const std::string reason = testsupport::makeFolderLink(link, target);
    if (!reason.empty()) {
        GTEST_SKIP() << "no folder link can be made here: " << reason;
    }
    EXPECT_FALSE(FileUtils::deleteFilesIn(link));
    EXPECT_TRUE(pathExists(target + R"(\victim.txt)"));

    const auto scheduled = scheduledBy([&] {
        CleanupList list(true);
        list.addFilesIn(link);
    });
    EXPECT_TRUE(pathExists(target + R"(\victim.txt)"));
    for (const PendingRename& rename : scheduled) {
        EXPECT_EQ(rename.source.find("victim"), std::string::npos) << rename.source;
    }
}

}  // namespace

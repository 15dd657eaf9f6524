// What a run finds in the patch cache after installers that were ended: their working
// folders, the copy of the runtime settings file that a repair kept, and the install
// lock. Real folders, files held by another process, folder links and the machine's own
// patch cache (this program runs in a Wine prefix of its own).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "diag/Logger.h"
#include "install/CacheChain.h"
#include "install/InstallLock.h"
#include "install/OrphanWorkFolders.h"
#include "install/RepairSettingsCopy.h"
#include "platform/SysInfo.h"
#include "support/FolderLink.h"
#include "support/HeldFile.h"
#include "support/LogCapture.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

namespace {

using testsupport::pathExists;
using testsupport::readFileBytes;
using testsupport::writeFileText;

bool anyStartsWith(const std::vector<std::string>& messages, const std::string& start) {
    for (const std::string& message : messages) {
        if (message.rfind(start, 0) == 0) {
            return true;
        }
    }
    return false;
}

TEST(OrphanWorkFolders, RemovesWhatEndedInstallersLeftAndNothingElse) {
    const testsupport::TempFolder cache;
    CreateDirectoryA(cache.file("123.tmp").c_str(), nullptr);
    CreateDirectoryA(cache.file("123.tmp\\sub").c_str(), nullptr);
    writeFileText(cache.file("123.tmp\\sub\\newimage"), "image");
    writeFileText(cache.file("456.tmp"), "");
    CreateDirectoryA(cache.file("789.tmp").c_str(), nullptr);
    for (const char* kept : {"baseimagefam8", "12a.tmp", "tmp.tmp", ".tmp", "vesk.settings.cfg.repair"}) {
        writeFileText(cache.file(kept), "kept");
    }

    std::vector<std::string> messages;
    {
        const testsupport::HeldFile stillUsed(cache.file("789.tmp"));
        messages = testsupport::logMessagesOf([&] { OrphanWorkFolders::remove(cache.path()); });
    }

    EXPECT_EQ(cache.listing(), ".tmp 12a.tmp 789.tmp baseimagefam8 tmp.tmp vesk.settings.cfg.repair");
    EXPECT_TRUE(
        anyStartsWith(messages, "Removed [" + cache.file("123.tmp") + "], left by an earlier installer"));
    EXPECT_TRUE(
        anyStartsWith(messages, "Removed [" + cache.file("456.tmp") + "], left by an earlier installer"));
    EXPECT_TRUE(anyStartsWith(messages, "Leaving [" + cache.file("789.tmp") +
                                            "], left by an earlier installer: it cannot be opened alone ("))
        << testing::PrintToString(messages);
}

TEST(OrphanWorkFolders, RemovesALinkAsALink) {
    const testsupport::TempFolder cache;
    const testsupport::TempFolder outside;
    writeFileText(outside.file("precious"), "not the installer's");
    const std::string why = testsupport::makeFolderLink(cache.file("42.tmp"), outside.path());
    if (!why.empty()) {
        GTEST_SKIP() << "no folder link can be made here: " << why;
    }

    const std::vector<std::string> messages =
        testsupport::logMessagesOf([&] { OrphanWorkFolders::remove(cache.path()); });

    EXPECT_EQ(readFileBytes(outside.file("precious")), "not the installer's");
    // Wine cannot remove a Unix folder link with RemoveDirectory: it stays, and says so.
    EXPECT_EQ(pathExists(cache.file("42.tmp")),
              anyStartsWith(messages, "Could not remove all of [" + cache.file("42.tmp") + "]"))
        << testing::PrintToString(messages);
}

TEST(OrphanWorkFolders, AMissingCacheIsOnlyLogged) {
    const testsupport::TempFolder parent;
    const std::vector<std::string> messages =
        testsupport::logMessagesOf([&] { OrphanWorkFolders::remove(parent.file("missing")); });
    EXPECT_TRUE(anyStartsWith(messages, "Exception with message '")) << testing::PrintToString(messages);
}

class SettingsCopy : public testing::Test {
protected:
    const testsupport::TempFolder cache;
    const testsupport::TempFolder settingsFolder;
    const std::string settings = settingsFolder.file("vesk.settings.cfg");
    const std::string copy = cache.file("vesk.settings.cfg.repair");
    const RepairSettingsCopy repairCopy{cache.path(), settings};
};

TEST_F(SettingsCopy, KeptCopyRestoresTheDeletedFile) {
    writeFileText(settings, "AUTO_UPDATE=Disable\r\n");
    repairCopy.keep();
    ASSERT_EQ(readFileBytes(copy), "AUTO_UPDATE=Disable\r\n");
    ASSERT_TRUE(DeleteFileA(settings.c_str()));

    const std::vector<std::string> messages = testsupport::logMessagesOf([&] { repairCopy.recover(); });

    EXPECT_EQ(readFileBytes(settings), "AUTO_UPDATE=Disable\r\n");
    EXPECT_FALSE(pathExists(copy));
    EXPECT_TRUE(anyStartsWith(
        messages, "Restored the runtime settings file [" + settings + "] from the copy [" + copy + "]"))
        << testing::PrintToString(messages);
}

TEST_F(SettingsCopy, AFileInPlaceWinsOverTheCopy) {
    writeFileText(copy, "AUTO_UPDATE=Disable\r\n");
    writeFileText(settings, "AUTO_UPDATE=Enable\r\n");

    repairCopy.recover();

    EXPECT_EQ(readFileBytes(settings), "AUTO_UPDATE=Enable\r\n");
    EXPECT_FALSE(pathExists(copy));
}

TEST_F(SettingsCopy, NoFileNoCopy) {
    repairCopy.keep();
    EXPECT_FALSE(pathExists(copy));
    repairCopy.recover();
    EXPECT_FALSE(pathExists(settings));
    repairCopy.discard();
}

TEST_F(SettingsCopy, DiscardDeletesTheCopy) {
    writeFileText(settings, "EULA=Disable\r\n");
    repairCopy.keep();
    repairCopy.discard();
    EXPECT_FALSE(pathExists(copy));
    EXPECT_EQ(readFileBytes(settings), "EULA=Disable\r\n");
}

// The lock in the machine's own patch cache.
class Lock : public testing::Test {
protected:
    // Each case starts without the cache, as a machine that never installed does.
    void TearDown() override {
        SetEnvironmentVariableA(InstallLock::waitVariable, nullptr);
        DeleteFileA(lockPath.c_str());
        RemoveDirectoryA(lockPath.c_str());
        for (const std::string& level : {cacheDir, cache.base + "\\Veyra\\Vesk", cache.base + "\\Veyra"}) {
            RemoveDirectoryA(level.c_str());
        }
    }

    // The cache's folders as an earlier run left them.
    void makeCache() const {
        CreateDirectoryA((cache.base + "\\Veyra").c_str(), nullptr);
        CreateDirectoryA((cache.base + "\\Veyra\\Vesk").c_str(), nullptr);
        CreateDirectoryA(cacheDir.c_str(), nullptr);
    }

    const int bits = CacheChain::processBits();
    const SysInfo::PatchCache cache = SysInfo::getPatchCache(bits);
    const std::string cacheDir = cache.base + "\\" + cache.relative;
    const std::string lockPath = cacheDir + "\\installer.lock";
};

TEST_F(Lock, IsHeldWhileItLivesAndLeavesNothingBehind) {
    {
        const std::unique_ptr<InstallLock> lock = InstallLock::take(bits);
        ASSERT_NE(lock, nullptr);
        EXPECT_EQ(lock->cacheDir(), cacheDir);
        EXPECT_EQ(CreateFileA(lockPath.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              0, nullptr),
                  INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    }
    EXPECT_FALSE(pathExists(lockPath));
    EXPECT_FALSE(pathExists(cache.base + "\\Veyra"));
}

TEST_F(Lock, WaitsForTheHolderAndSaysHowLong) {
    makeCache();
    const HANDLE held = CreateFileA(lockPath.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                                    CREATE_NEW, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    // The holder releases as an installer does: the file goes with its handle.
    FILE_DISPOSITION_INFO disposition{TRUE};
    ASSERT_TRUE(SetFileInformationByHandle(held, FileDispositionInfo, &disposition, sizeof disposition));
    std::thread holder([held] {
        Sleep(500);
        CloseHandle(held);
    });

    std::unique_ptr<InstallLock> lock;
    const std::vector<std::string> messages =
        testsupport::logMessagesOf([&] { lock = InstallLock::take(bits); });
    holder.join();

    ASSERT_NE(lock, nullptr);
    EXPECT_TRUE(anyStartsWith(messages, "Another installer holds the install lock [" + lockPath +
                                            "]; waiting for it (at most 600 s)"))
        << testing::PrintToString(messages);
    EXPECT_TRUE(anyStartsWith(messages, "Waited ")) << testing::PrintToString(messages);
    EXPECT_FALSE(anyStartsWith(messages, "The install lock [")) << testing::PrintToString(messages);
}

TEST_F(Lock, GivesUpAfterTheBound) {
    makeCache();
    const HANDLE held = CreateFileA(lockPath.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                                    CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(SetEnvironmentVariableA(InstallLock::waitVariable, "1"));

    std::unique_ptr<InstallLock> lock;
    const std::vector<testsupport::LogRecord> records =
        testsupport::recordsOf([&] { lock = InstallLock::take(bits); });
    CloseHandle(held);

    EXPECT_EQ(lock, nullptr);
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.back().level, "ERROR");
    EXPECT_EQ(
        records.back().message.rfind("Gave up waiting for the install lock [" + lockPath + "] after ", 0), 0u)
        << records.back().message;
}

// A bound asked for above the constant does not lengthen the wait.
TEST_F(Lock, TheEnvironmentOnlyShortensTheBound) {
    makeCache();
    const HANDLE held = CreateFileA(lockPath.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                                    CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(SetEnvironmentVariableA(InstallLock::waitVariable, "100000"));
    std::thread holder([held] {
        Sleep(300);
        CloseHandle(held);
    });

    std::unique_ptr<InstallLock> lock;
    const std::vector<std::string> messages =
        testsupport::logMessagesOf([&] { lock = InstallLock::take(bits); });
    holder.join();

    EXPECT_NE(lock, nullptr);
    EXPECT_TRUE(anyStartsWith(messages, "Another installer holds the install lock [" + lockPath +
                                            "]; waiting for it (at most 600 s)"))
        << testing::PrintToString(messages);
}

TEST_F(Lock, ALockLeftByAnEndedRunIsTakenOver) {
    makeCache();
    writeFileText(lockPath, "4242");

    std::vector<std::string> messages;
    {
        std::unique_ptr<InstallLock> lock;
        messages = testsupport::logMessagesOf([&] { lock = InstallLock::take(bits); });
        ASSERT_NE(lock, nullptr);
    }

    EXPECT_TRUE(anyStartsWith(messages, "The install lock [" + lockPath +
                                            "] was left by installer process 4242, which ended without "
                                            "releasing it; taking it over"))
        << testing::PrintToString(messages);
    EXPECT_FALSE(pathExists(lockPath));
}

TEST_F(Lock, AFolderInThePlaceOfTheLockIsRefused) {
    makeCache();
    ASSERT_TRUE(CreateDirectoryA(lockPath.c_str(), nullptr));

    EXPECT_THROW(InstallLock::take(bits), std::exception);
}

}  // namespace

// The steps around the image: the leftovers of older installers, the successor that takes
// over in repair, and the launcher copies that older runtimes left in the system folders.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "install/PostInstallFiles.h"
#include "install/StaleLaunchers.h"
#include "install/UninstallVRE.h"
#include "platform/SysInfo.h"
#include "support/LogCapture.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

namespace {

// Launcher files of known versions, built with the test (folder given on the command line).
std::string versionedFiles;

std::string versioned(const std::string& version) { return versionedFiles + "\\launcher-" + version + ".exe"; }

bool anyStartsWith(const std::vector<std::string>& lines, const std::string& start) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) { return line.rfind(start, 0) == 0; });
}

TEST(CleanupTempFiles, DeletesTheLeftoversInHomeOnly) {
    testsupport::TempFolder home;
    for (const char* name : {"core.zip", "patchvre.exe", "tools.zip", "keep.zip"}) {
        testsupport::writeFileText(home.file(name), "left behind");
    }
    const std::vector<std::string> messages = testsupport::logMessagesOf([&] { CleanupTempFiles(home.path()); });
    for (const char* name : {"core.zip", "patchvre.exe", "tools.zip"}) {
        EXPECT_FALSE(testsupport::pathExists(home.file(name))) << name;
    }
    EXPECT_TRUE(testsupport::pathExists(home.file("keep.zip")));
    EXPECT_EQ(messages,
              (std::vector<std::string>{"** Start WINAPI CleanupTempFiles **", "** End WINAPI CleanupTempFiles **"}));
}

// An empty home would name the root of the current drive, and a name cut at the buffer's
// end another file: neither is deleted.
TEST(CleanupTempFiles, LeavesOtherFilesAlone) {
    char drive[MAX_PATH] = {};
    ASSERT_NE(GetCurrentDirectoryA(MAX_PATH, drive), 0u);
    const std::string rootFile = std::string(drive, 3) + "core.zip";
    testsupport::writeFileText(rootFile, "someone else's");
    const std::vector<std::string> messages = testsupport::logMessagesOf([] { CleanupTempFiles(""); });
    EXPECT_TRUE(testsupport::pathExists(rootFile));
    DeleteFileA(rootFile.c_str());
    EXPECT_TRUE(anyStartsWith(messages, "Not deleting leftovers: the home directory [] is not an absolute path"));

    const std::string longHome = "C:\\" + std::string(2040, 'h');
    const std::vector<std::string> cut = testsupport::logMessagesOf([&] { CleanupTempFiles(longHome); });
    EXPECT_EQ(std::count_if(cut.begin(), cut.end(),
                            [](const std::string& line) { return line.rfind("Not deleting ", 0) == 0; }),
              3);
}

InstalledVesk vre(const std::string& version, int id, const std::string& home) {
    InstalledVesk product;
    product.bundle = {Bundle::VRE, 64, VeskVersion(version)};
    product.mode = InstalledVesk::ordinaryMode;
    product.productCode = Guid(L"{7D3E19B0-5C62-4A8F-9E07-4B6418032" + std::to_wstring(100 + id) + L"}");
    product.homeDir = home;
    return product;
}

// Only a product with an absolute home can take over; a later one without is passed over.
TEST(UninstallVRE, SuccessorNeedsAnAbsoluteHome) {
    const InstalledVesk current = vre("1.8.0_321-b07", 1, "C:\\Vesk\\current");
    const InstalledVesk older = vre("1.8.0_301-b02", 2, "C:\\Vesk\\older");
    const InstalledVesk homeless = vre("1.8.0_401-b10", 3, "");
    const InstalledVesk relative = vre("1.8.0_411-b10", 4, "vesk\\relative");
    InstalledVesk vdk = vre("1.8.0_500-b01", 5, "C:\\Vesk\\vdk");
    vdk.bundle.type = Bundle::VDK;

    const std::optional<InstalledVesk> successor = successorOf({older, homeless, relative, vdk}, current);
    ASSERT_TRUE(successor);
    EXPECT_EQ(successor->homeDir, older.homeDir);
    EXPECT_FALSE(successorOf({homeless, relative, vdk}, current));
}

// Which launcher copies in the system folders go: vesk.exe and veskw.exe from 8.0.20
// (or any 9 and later), veskws.exe from 11.0.20 (or any 12 and later).
TEST(StaleLauncherCopies, GoByTheirFileVersion) {
    struct Case {
        const char* name;
        const char* version;  // null: a file without a version resource
        bool stays;
    };
    const Case cases[] = {
        {"vesk.exe", "8.0.20.0", false},  {"vesk.exe", "8.0.19.0", true},   {"veskw.exe", "9.0.0.0", false},
        {"veskws.exe", "11.0.19.0", true}, {"veskws.exe", "11.0.20.0", false}, {"veskws.exe", "12.0.0.0", false},
        {"veskw.exe", nullptr, true},
    };
    std::vector<std::string> folders{SysInfo::getSystemDirectory()};
    if (SysInfo::isNativeX64()) {
        folders.push_back(SysInfo::getSystemWow64Directory());
    }
    for (const Case& c : cases) {
        for (const std::string& folder : folders) {
            const std::string copy = folder + "\\" + c.name;
            if (c.version) {
                ASSERT_TRUE(CopyFileA(versioned(c.version).c_str(), copy.c_str(), FALSE)) << copy;
            } else {
                testsupport::writeFileText(copy, "not a program");
            }
        }
        removeStaleLauncherCopies();
        for (const std::string& folder : folders) {
            const std::string copy = folder + "\\" + c.name;
            EXPECT_EQ(testsupport::pathExists(copy), c.stays) << copy << " " << (c.version ? c.version : "-");
            DeleteFileA(copy.c_str());
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: install_completion_steps_test VERSIONED_FILES_FOLDER\n");
        return 2;
    }
    versionedFiles = argv[1];
    return RUN_ALL_TESTS();
}

// The home directory rules: which texts count as paths, how far the search above a file
// goes, and that names of a double-byte code page survive it (this suite also runs with
// LC_ALL=ja_JP.UTF-8, which makes the ANSI code page 932).
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "detect/HomeDirDetection.h"
#include "detect/HomePath.h"
#include "detect/TrackedProduct.h"
#include "diag/tstrings.h"
#include "platform/FileUtils.h"
#include "support/FolderLink.h"
#include "support/TempFolder.h"

namespace {

constexpr std::int32_t VRE = TrackedProduct::VRE;
constexpr std::int32_t VDK = TrackedProduct::VDK;

// A folder name with characters outside ASCII that the current ANSI code page holds: on
// code page 932 one whose second byte is '\' ("ソ" is 0x83 0x5C) and one whose second byte
// is 'A' ("ア" is 0x83 0x41).
std::wstring localName() { return GetACP() == 932 ? L"\u30bd\u30d5\u30c8\u30a2" : L"Caf\u00e9"; }

std::string ansi(const std::wstring& wide) {
    std::string text;
    EXPECT_TRUE(tstrings::toAnsiExact(wide, text)) << tstrings::toUtf8(wide);
    return text;
}

// A runtime home with bin\vesk.exe (and bin\veskc.exe for a VDK); its parent exists or
// is made. The folders are made one by one with their full names: FileUtils::createDirs
// still looks for separators byte by byte.
std::string makeHome(const std::string& home, bool developmentKit) {
    const std::string parent = home.substr(0, home.find_last_of('\\'));
    if (!parent.empty() && parent.back() != ':') {
        EXPECT_TRUE(CreateDirectoryA(parent.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS)
            << GetLastError();
    }
    EXPECT_TRUE(CreateDirectoryA(home.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) << GetLastError();
    EXPECT_TRUE(CreateDirectoryA((home + "\\bin").c_str(), nullptr)) << home;
    const std::string bin = TESTBED_BIN_DIR;
    EXPECT_TRUE(CopyFileA((bin + "\\vesk.exe").c_str(), (home + "\\bin\\vesk.exe").c_str(), FALSE));
    if (developmentKit) {
        EXPECT_TRUE(CopyFileA((bin + "\\veskc.exe").c_str(), (home + "\\bin\\veskc.exe").c_str(), FALSE));
    }
    return home;
}

TEST(HomePath, absolutePathsOnly) {
    for (const std::wstring path : {L"C:\\p\\vre", L"c:/p", L"Z:\\", L"\\\\server\\share\\vre", L"//server/share"}) {
        EXPECT_TRUE(HomePath::isAbsolute(path)) << tstrings::toUtf8(path);
    }
    for (const std::wstring path : {L"", L"vre", L"vre\\bin", L"C:vre", L"C:", L"\\vre", L"/vre", L"\"C:\\p\\vre\"",
                                    L"\\\\", L"\\\\server", L"\\\\\\share", L"1:\\p"}) {
        EXPECT_FALSE(HomePath::isAbsolute(path)) << tstrings::toUtf8(path);
    }
}

TEST(HomePath, parentsEndAtTheRoot) {
    EXPECT_EQ(HomePath::parent(L"C:\\p\\vre\\bin\\"), L"C:\\p\\vre");
    EXPECT_EQ(HomePath::parent(L"C:\\p\\vre\\\\README.txt"), L"C:\\p\\vre");
    EXPECT_EQ(HomePath::parent(L"C:\\p"), L"C:");
    EXPECT_EQ(HomePath::parent(L"C:\\"), L"");
    EXPECT_EQ(HomePath::parent(L"\\\\server\\share\\vre"), L"\\\\server\\share");
    EXPECT_EQ(HomePath::parent(L"\\\\server\\share\\"), L"");
    EXPECT_TRUE(HomePath::isRoot(L"C:\\"));
    EXPECT_TRUE(HomePath::isRoot(L"\\\\server\\share\\"));
    EXPECT_FALSE(HomePath::isRoot(L"C:\\p"));
    EXPECT_FALSE(HomePath::isRoot(L"\\\\server\\share\\vre"));
}

TEST(HomePath, normalizingKeepsEveryCharacterOfTheCodePage) {
    const std::wstring name = localName();
    EXPECT_EQ(FileUtils::normalizePath(ansi(L"C:/Program Files\\" + name + L"\\VRE")),
              ansi(L"c:\\program files\\" + (GetACP() == 932 ? name : L"caf\u00e9") + L"\\vre"));
    EXPECT_EQ(FileUtils::normalizePath(""), "");
}

struct FindCase {
    const char* what;
    std::wstring start;  // below the runtime's parent folder
    std::int32_t type;
    bool found;
};

class FindHomeFromFile : public ::testing::TestWithParam<FindCase> {
protected:
    void SetUp() override {
        // Wine keeps file names in the Unix locale's encoding: a machine without that
        // locale (ja_JP.UTF-8 missing) cannot hold the name at all.
        const std::string probe = temp.path() + "\\" + ansi(localName());
        if (!CreateDirectoryA(probe.c_str(), nullptr)) {
            GTEST_SKIP() << "a folder named " << tstrings::toUtf8(localName())
                         << " cannot be made here (error " << GetLastError()
                         << "): the Unix locale of this run lacks its characters";
        }
    }

    testsupport::TempFolder temp;
};

TEST_P(FindHomeFromFile, climbsToTheFolderWithThePrograms) {
    const FindCase& c = GetParam();
    const std::wstring parent = tstrings::toUtf16(temp.path(), CP_ACP) + L"\\" + localName();
    const std::string home = makeHome(ansi(parent + L"\\vre"), false);
    makeHome(ansi(parent + L"\\vdk"), true);
    const std::string found = HomeDirDetection::findHomeFromFile(parent + L"\\" + c.start, c.type);
    if (c.found) {
        EXPECT_EQ(found, FileUtils::normalizePath(ansi(parent + L"\\" + c.start.substr(0, 3)))) << c.what;
    } else {
        EXPECT_EQ(found, "") << c.what;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Starts, FindHomeFromFile,
    ::testing::Values(FindCase{"from a file in the home", L"vre\\README.txt", VRE, true},
                      FindCase{"from the programs", L"vre\\bin\\vesk.exe", VRE, true},
                      FindCase{"from a folder with a trailing separator", L"vre\\bin\\", VRE, true},
                      FindCase{"from the home itself", L"vre", VRE, true},
                      FindCase{"a VDK needs veskc.exe too", L"vre\\bin\\vesk.exe", VDK, false},
                      FindCase{"a VDK home", L"vdk\\lib\\missing\\", VDK, true},
                      FindCase{"VESK_FX never", L"vre\\bin\\vesk.exe", TrackedProduct::VESK_FX, false},
                      FindCase{"an unknown type never", L"vre\\bin\\vesk.exe", TrackedProduct::unknownType, false},
                      FindCase{"nothing above", L"other\\file.txt", VRE, false}));

TEST(FindHomeFromFileSecurity, relativeRootsAndLinksAreNeverHomes) {
    testsupport::TempFolder temp;
    const std::string real = makeHome(temp.file("real"), false);
    EXPECT_EQ(HomeDirDetection::findHomeFromFile(L"real\\bin\\vesk.exe", VRE), "");

    // A runtime that any user could plant in the root of the drive.
    const bool planted = !FileUtils::isDirectory("C:\\bin");
    ASSERT_TRUE(planted) << "C:\\bin exists before the test";
    makeHome("C:\\", false);
    EXPECT_EQ(HomeDirDetection::findHomeFromFile(L"C:\\VeskNowhere\\icons\\vesk.ico", VRE), "");
    EXPECT_EQ(HomeDirDetection::findHomeFromFile(L"C:\\bin\\vesk.exe", VRE), "");
    FileUtils::deleteTree("C:\\bin");

    // A folder that is a link, and a home whose bin folder is one.
    const std::string linkedHome = temp.file("linked");
    const std::string reason = testsupport::makeFolderLink(linkedHome, real);
    if (!reason.empty()) {
        GTEST_SKIP() << "no folder link here: " << reason;
    }
    EXPECT_EQ(HomeDirDetection::findHomeFromFile(tstrings::toUtf16(linkedHome + "\\README.txt", CP_ACP), VRE), "");
    const std::string linkedBin = temp.file("linkedbin");
    FileUtils::createDirs(linkedBin);
    ASSERT_EQ(testsupport::makeFolderLink(linkedBin + "\\bin", real + "\\bin"), "");
    EXPECT_EQ(HomeDirDetection::findHomeFromFile(tstrings::toUtf16(linkedBin + "\\README.txt", CP_ACP), VRE), "");
    // The real one is found.
    EXPECT_EQ(HomeDirDetection::findHomeFromFile(tstrings::toUtf16(real + "\\README.txt", CP_ACP), VRE),
              FileUtils::normalizePath(real));
}

}  // namespace

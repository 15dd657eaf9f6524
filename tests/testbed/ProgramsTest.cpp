// The testbed runtime's programs and libraries: their version blocks, veskw.exe's
// class-data dump, and the C-runtime stand-ins that the installer loads by full path.
#include "TestbedFiles.h"
#include "support/ChildProcess.h"
#include "support/TempFolder.h"
#include "testbed/TestbedNames.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <sstream>
#include <vector>

namespace {

using testbedfiles::binPath;
using testbedfiles::exists;
using testsupport::quoteArgument;

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, separator);) {
        parts.push_back(part);
    }
    return parts;
}

std::string fileVersion(const std::string& path) {
    DWORD ignored = 0;
    std::vector<char> block(GetFileVersionInfoSizeA(path.c_str(), &ignored));
    if (block.empty() ||
        !GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data())) {
        return "no version block in " + path;
    }
    VS_FIXEDFILEINFO* info = nullptr;
    UINT size = 0;
    if (!VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&info), &size)) {
        return "no fixed file info in " + path;
    }
    return std::to_string(HIWORD(info->dwFileVersionMS)) + "." +
           std::to_string(LOWORD(info->dwFileVersionMS)) + "." +
           std::to_string(HIWORD(info->dwFileVersionLS)) + "." +
           std::to_string(LOWORD(info->dwFileVersionLS));
}

class ProgramTest : public ::testing::TestWithParam<const char*> {};

TEST_P(ProgramTest, CarriesTheTestbedVersionAndRuns) {
    const std::string program = binPath(GetParam());
    EXPECT_EQ(TESTBED_VERSION, fileVersion(program));
    if (std::string(GetParam()) != "vunpack.exe") {
        EXPECT_EQ(0u, testsupport::runChild(quoteArgument(program) + " -version"));
    }
}

INSTANTIATE_TEST_SUITE_P(Programs, ProgramTest,
                         ::testing::Values("vesk.exe", "veskw.exe", "veskws.exe", "veskc.exe", "veskcpl.exe",
                                           "vmc.exe", "vabswitch.exe", "vunpack.exe"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param).substr(0, std::string(info.param).find('.'));
                         });

// A runtime home with veskw.exe and the image's runtime archive.
class ClassDataDumpTest : public ::testing::Test {
protected:
    void SetUp() override {
        testbedfiles::makeFolders(home.file("bin"));
        testbedfiles::makeFolders(home.file("lib"));
        testbedfiles::copyFile(binPath("veskw.exe"), home.file("bin\\veskw.exe"));
        testbedfiles::copyFile(testbedfiles::fixturePath("rt.vpk"), home.file(testbed::runtimeArchive));
    }
    DWORD dump() {
        return testsupport::runChild(quoteArgument(home.file("bin\\veskw.exe")) +
                                     " -Xshare:dump -Dvdk.disableLastUsageTracking");
    }

    testsupport::TempFolder home;
    const std::string archive = home.file(testbed::classDataArchive);
};

TEST_F(ClassDataDumpTest, WritesTheArchiveListingTheRuntimeArchive) {
    ASSERT_EQ(0u, dump());
    const std::string expected = std::string("VSA 1 ") + TESTBED_VERSION + "\n" +
                                 testbedfiles::readFile(testbedfiles::fixturePath("rt.entries.txt"));
    EXPECT_EQ(expected, testbedfiles::readFile(archive));
}

TEST_F(ClassDataDumpTest, FailsWhenTheMarkerAsksAndWritesNothing) {
    testbedfiles::makeFolders(home.file("bin\\server"));
    testbedfiles::writeFile(home.file(testbed::classDataFailMarker), "disk full");
    EXPECT_EQ(1u, dump());
    EXPECT_FALSE(exists(archive));
}

TEST_F(ClassDataDumpTest, FailsWithoutAReadableRuntimeArchive) {
    testbedfiles::writeFile(home.file(testbed::runtimeArchive), "not a zip archive");
    EXPECT_EQ(1u, dump());
    ASSERT_TRUE(DeleteFileA(home.file(testbed::runtimeArchive).c_str()));
    EXPECT_EQ(1u, dump());
    EXPECT_FALSE(exists(archive));
}

std::string moduleFileName(HMODULE module) {
    char path[MAX_PATH * 2];
    const DWORD length = GetModuleFileNameA(module, path, sizeof path);
    return std::string(path, length);
}

// The installer loads these by full path; each must load, be the testbed's own file
// where the system lets it, and fail to load when it is missing.
TEST(CrtStandInTest, EachLoadsByFullPathAsItself) {
    std::string substituted;
    for (const std::string& name : split(TESTBED_CRT_NAMES, ',')) {
        const std::string path = binPath(name + ".dll");
        const HMODULE module = LoadLibraryA(path.c_str());
        EXPECT_NE(nullptr, module) << path << ": error " << GetLastError();
        if (!module) {
            continue;
        }
        using NameFunction = const char* (*)();
        const auto standInName = reinterpret_cast<NameFunction>(
            reinterpret_cast<void*>(GetProcAddress(module, "testbedStandInName")));
        if (standInName) {
            EXPECT_EQ(name + ".dll", standInName());
        } else {
            // Wine serves some C-runtime names from its own builtin libraries, even for
            // a full path; the load still succeeds, which is all the installer needs.
            substituted += " " + name + " (" + moduleFileName(module) + ")";
        }
        FreeLibrary(module);
    }
    if (!substituted.empty()) {
        GTEST_SKIP() << "the system loaded its own library instead of the stand-in for:" << substituted;
    }
}

class MissingCrtTest : public ::testing::TestWithParam<const char*> {};

TEST_P(MissingCrtTest, FailsToLoad) {
    testsupport::TempFolder bin;
    const std::string path = bin.file(std::string(GetParam()) + ".dll");
    EXPECT_EQ(nullptr, LoadLibraryA(path.c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MOD_NOT_FOUND), GetLastError());
}

INSTANTIATE_TEST_SUITE_P(Names, MissingCrtTest,
                         ::testing::Values("api-ms-win-core-heap-l1-1-0", "ucrtbase", "vcruntime140",
                                           "msvcp140"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

}  // namespace

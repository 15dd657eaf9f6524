#include "platform/VersionResource.h"

#include <gtest/gtest.h>

#include <string>

#include "diag/SysError.h"
#include "platform/FileUtils.h"
#include "support/ChildProcess.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

namespace {

// The fixture program is built next to this test program.
std::string fixturePath() {
    return FileUtils::join(FileUtils::dirname(testsupport::selfPath()), "version_fixture.exe");
}

TEST(VersionResourceTest, FileVersionReadsTheFixedFileInformation) {
    EXPECT_EQ(FileUtils::fileVersion(fixturePath()), (FileUtils::FileVersion{8, 0, 3210, 7}));
}

TEST(VersionResourceTest, AFileWithoutAResourceRaises) {
    const testsupport::TempFolder temp;
    const std::string plain = temp.file("plain.txt");
    testsupport::writeFileText(plain, "no resource here");
    for (const std::string& path : {plain, temp.file("missing.exe")}) {
        try {
            FileUtils::fileVersion(path);
            ADD_FAILURE() << "no exception for " << path;
        } catch (const SysError& error) {
            EXPECT_NE(std::string(error.what()).find("GetFileVersionInfoSize(" + path + ") failed"),
                      std::string::npos)
                << error.what();
        }
    }
}

}  // namespace

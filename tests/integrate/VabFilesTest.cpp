#include "integrate/VabFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "diag/VdsError.h"
#include "platform/SysInfo.h"

namespace {

using Files = std::vector<std::string>;

InstalledVesk product(std::int32_t type, std::int32_t arch, const std::string& version, const std::string& home) {
    InstalledVesk vesk;
    vesk.bundle = Bundle{type, arch, VeskVersion(version)};
    vesk.mode = type == Bundle::VRE ? InstalledVesk::ordinaryMode : InstalledVesk::noMode;
    vesk.homeDir = home;
    return vesk;
}

class VabFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The expected lists below are those of a 64-bit machine.
        ASSERT_TRUE(SysInfo::isNativeX64());
    }
};

TEST_F(VabFilesTest, ownFilesByArchitecture) {
    const InstalledVesk vre64 = product(Bundle::VRE, 64, "1.8.0_321-b07", "C:\\p\\vre64");
    EXPECT_EQ(VabFiles::getVabFiles(vre64),
              (Files{"bin\\WindowsVabBridge-64.dll", "bin\\VeskAccessBridge.dll", "lib\\ext\\vab-bridge-64.vpk"}));
    const InstalledVesk vre32 = product(Bundle::VRE, 32, "1.8.0_321-b07", "C:\\p\\vre32");
    EXPECT_EQ(VabFiles::getVabFiles(vre32),
              (Files{"bin\\WindowsVabBridge-32.dll", "bin\\VeskAccessBridge-32.dll", "bin\\VAWTAccessBridge-32.dll",
                     "lib\\ext\\vab-bridge-32.vpk"}));
}

TEST_F(VabFilesTest, otherArchitecturesOfA64BitRuntime) {
    const InstalledVesk vre64 = product(Bundle::VRE, 64, "1.8.0_321-b07", "C:\\p\\vre64");
    // "bin\VeskAccessBridge.dll" is the 64-bit runtime's own, although the 32-bit-machine
    // list has it too.
    EXPECT_EQ(VabFiles::getOtherArchVabFiles(vre64),
              (Files{"bin\\VAWTAccessBridge-32.dll", "bin\\VAWTAccessBridge.dll", "bin\\VeskAccessBridge-32.dll",
                     "bin\\WindowsVabBridge-32.dll", "bin\\WindowsVabBridge.dll", "lib\\ext\\vab-bridge-32.vpk",
                     "lib\\ext\\vab-bridge.vpk"}));
    EXPECT_EQ(VabFiles::runtimeFolder(vre64), "C:\\p\\vre64");
}

TEST_F(VabFilesTest, otherArchitecturesOfA32BitDevelopmentKitLieBelowItsRuntime) {
    const InstalledVesk vdk32 = product(Bundle::VDK, 32, "1.8.0_321-b07", "C:\\p\\vdk");
    const Files others = VabFiles::getOtherArchVabFiles(vdk32);
    // The 32-bit-machine and 64-bit lists share "bin\VeskAccessBridge.dll": it comes once.
    EXPECT_EQ(others, (Files{"vre\\bin\\VAWTAccessBridge.dll", "vre\\bin\\VeskAccessBridge.dll",
                             "vre\\bin\\WindowsVabBridge-64.dll", "vre\\bin\\WindowsVabBridge.dll",
                             "vre\\lib\\ext\\vab-bridge-64.vpk", "vre\\lib\\ext\\vab-bridge.vpk"}));
    EXPECT_TRUE(std::is_sorted(others.begin(), others.end()));
    EXPECT_EQ(VabFiles::runtimeFolder(vdk32), "C:\\p\\vdk\\vre");
}

TEST_F(VabFilesTest, runtimeFolderByTypeAndFamily) {
    EXPECT_EQ(VabFiles::runtimeFolder(product(Bundle::VDK, 64, "1.6.0_45", "C:\\old")), "C:\\old\\vre");
    EXPECT_EQ(VabFiles::runtimeFolder(product(Bundle::VDK, 64, "11.0.2+9", "C:\\new")), "C:\\new");
    EXPECT_EQ(VabFiles::runtimeFolder(product(Bundle::VRE, 32, "1.8.0_05", "C:\\vre")), "C:\\vre");
    EXPECT_EQ(VabFiles::getOtherArchVabFiles(product(Bundle::VDK, 64, "11.0.2+9", "C:\\new")).front(),
              "bin\\VAWTAccessBridge-32.dll");
}

TEST_F(VabFilesTest, unexpectedArchitecture) {
    const InstalledVesk odd = product(Bundle::VRE, 48, "1.8.0", "C:\\p");
    try {
        VabFiles::getVabFiles(odd);
        FAIL() << "gave files for a 48-bit product";
    } catch (const VdsError<std::invalid_argument>& error) {
        EXPECT_TRUE(std::string(error.what()).ends_with(" at VabFiles::getVabFiles(): Unexpected VeskArch value"));
    }
    EXPECT_THROW(VabFiles::getOtherArchVabFiles(odd), VdsError<std::invalid_argument>);
}

}  // namespace

#include "integrate/AccessBridgeManager.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "SetupRecords.h"
#include "platform/FileUtils.h"
#include "platform/Registry.h"
#include "platform/SysInfo.h"
#include "support/LogCapture.h"
#include "support/PendingRenames.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

namespace {

using namespace setuptest;
using testsupport::LogRecord;
using testsupport::pathExists;
using testsupport::readFileBytes;

const std::string profile =
    "<HCIModel><Accommodation type=\"mild vision\"/><Accommodation type=\"severe vision\"/>"
    "<Accommodation type=\"mild cognitive\"/><Accommodation type=\"severe cognitive\"/></HCIModel>";

// The four system copies as (destination, source) architectures of a 64-bit machine.
const std::pair<int, int> allCopies[] = {{32, 32}, {64, 64}, {64, 32}, {32, 64}};

bool hasLog(const std::vector<LogRecord>& records, const std::string& level, const std::string& part) {
    return std::any_of(records.begin(), records.end(), [&](const LogRecord& r) {
        return r.level == level && r.message.find(part) != std::string::npos;
    });
}

std::string registered(const std::string& value) {
    return Registry::HKLM64.getString(std::string(AccessBridgeManager::registrationKey) + "\\" + value,
                                      "<none>");
}

bool isRegistered() { return Registry::HKLM64.hasSubkey(AccessBridgeManager::registrationKey); }

// The system copies that exist, as "destination/source".
std::vector<std::string> systemCopies() {
    std::vector<std::string> copies;
    for (const auto& [destination, source] : allCopies) {
        if (pathExists(AccessBridgeManager::systemCopyPath(destination, source))) {
            copies.push_back(std::to_string(destination) + "/" + std::to_string(source));
        }
    }
    return copies;
}

// Every system copy and the registration as an earlier provider left them.
void seedEarlierBridge() {
    for (const auto& [destination, source] : allCopies) {
        testsupport::writeFileText(AccessBridgeManager::systemCopyPath(destination, source), "earlier");
    }
    Registry::HKLM64.setString(std::string(AccessBridgeManager::registrationKey) + "\\StartExe",
                               "C:\\old.exe");
}

class AccessBridgeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SysInfo::isNativeX64()) << "the cases below are those of a 64-bit machine";
    }

    // A product with a bridge library of its architecture and, unless told, a switch program.
    InstalledVesk product(std::int32_t type, std::int32_t arch, const std::string& version, int id,
                          bool withSwitch = true) {
        InstalledVesk made = record(type, arch, version, id, temp_.file("product-" + std::to_string(id)));
        std::vector<std::string> files = {arch == 64 ? "bin\\WindowsVabBridge-64.dll"
                                                     : "bin\\WindowsVabBridge-32.dll"};
        if (withSwitch) {
            files.push_back("bin\\vabswitch.exe");
        }
        const std::string runtime = made.bundle.runtimeSubdir();
        for (std::string& file : files) {
            file = FileUtils::join(runtime, file);
        }
        makeHome(made.homeDir, files);
        return made;
    }

    std::vector<LogRecord> run(const std::vector<InstalledVesk>& detected, const InstalledVesk& changed,
                               VeskSetupManager::Operation operation = VeskSetupManager::Install) {
        return testsupport::recordsOf([&] {
            EXPECT_TRUE(
                updateWith(std::make_unique<AccessBridgeManager>(), *config_, detected, changed, operation));
        });
    }

    static std::string switchOf(const InstalledVesk& p) { return AccessBridgeManager::switchProgram(p); }

    const testsupport::TempFolder temp_;
    std::unique_ptr<InstallConfigData> config_ = makeConfig();
};

TEST_F(AccessBridgeTest, onlyA64BitVreGetsThe64BitCopyAndTheRegistration) {
    seedEarlierBridge();
    const InstalledVesk vre = product(VRE, 64, "1.8.0_321-b07", 1);

    run({}, vre);

    EXPECT_EQ(systemCopies(), std::vector<std::string>{"64/64"});
    EXPECT_EQ(AccessBridgeManager::systemCopyPath(64, 64),
              FileUtils::join(SysInfo::getSystemDirectory(), "WindowsVabBridge-64.dll"));
    EXPECT_EQ(readFileBytes(AccessBridgeManager::systemCopyPath(64, 64)),
              FileUtils::join(vre.homeDir, "bin\\WindowsVabBridge-64.dll"));
    EXPECT_EQ(registered("StartExe"), FileUtils::join(vre.homeDir, "bin\\vabswitch.exe"));
    EXPECT_EQ(registered("ApplicationName"), "Enable Vesk Access Bridge");
    EXPECT_EQ(
        registered("Description"),
        "Vesk Access Bridge, from Veyra, Inc. providing Assistive Technology access to Vesk applications");
    EXPECT_EQ(registered("Profile"), profile);
    EXPECT_EQ(registered("SimpleProfile"), "screenreader");
    EXPECT_EQ(registered("StartParams"), "-enable");
    const Registry key(Registry::HKLM64, AccessBridgeManager::registrationKey, Registry::Read);
    EXPECT_EQ(key.getValueNames().size(), 6u);
}

struct ProviderCase {
    const char* name;
    std::vector<InstalledVesk> products;
    std::size_t provider;  // index in products
    std::vector<std::string> copies;
};

TEST_F(AccessBridgeTest, theProviderIsTheCurrentVreOrANewerKitOf11OrLater) {
    const InstalledVesk vre8 = product(VRE, 64, "1.8.0_321-b07", 2);
    const InstalledVesk vdk17 = product(VDK, 64, "17.0.2+8", 3);
    const InstalledVesk vdk8 = product(VDK, 64, "1.8.0_331-b09", 4);
    const InstalledVesk vre17 = product(VRE, 64, "17.0.2+8", 5);
    const InstalledVesk vre32 = product(VRE, 32, "11.0.2+9", 6);
    const ProviderCase cases[] = {
        {"a VDK 17 newer than the VRE", {vre8, vdk17}, 1, {"64/64"}},
        {"a VDK 1.8.0 newer than the VRE never", {vre8, vdk8}, 0, {"64/64"}},
        {"the VRE on equal versions", {vdk17, vre17}, 1, {"64/64"}},
        {"a VDK 17 without a VRE", {vdk17}, 0, {"64/64"}},
        {"each architecture its own copy, the newest the registration", {vre32, vre8}, 0, {"32/32", "64/64"}},
    };
    for (const ProviderCase& c : cases) {
        SCOPED_TRACE(c.name);
        run(c.products, c.products.front(), VeskSetupManager::None);
        const InstalledVesk& provider = c.products[c.provider];
        EXPECT_EQ(registered("StartExe"), switchOf(provider));
        EXPECT_EQ(systemCopies(), c.copies);
        EXPECT_EQ(
            readFileBytes(AccessBridgeManager::systemCopyPath(provider.bundle.arch, provider.bundle.arch))
                .find(provider.homeDir),
            0u)
            << "the provider's library";
    }
}

TEST_F(AccessBridgeTest, aProviderOlderThan1_7_0_06GetsNothing) {
    seedEarlierBridge();
    const auto records = run({}, product(VRE, 64, "1.7.0_05", 7));
    EXPECT_TRUE(
        hasLog(records, "WARNING",
               "Vesk version=1.7.0_05 doesn't support Access Bridge. The minimal supported version is "
               "1.7.0_06"));
    EXPECT_EQ(systemCopies(), std::vector<std::string>{});
    EXPECT_FALSE(isRegistered());
}

TEST_F(AccessBridgeTest, withoutItsSwitchProgramAProviderIsRegisteredButNotCopied) {
    const InstalledVesk vre = product(VRE, 64, "1.8.0_321-b07", 8, false);
    const auto records = run({}, vre);
    EXPECT_TRUE(hasLog(
        records, "WARNING",
        "Not registering Vesk=1.8.0_321-b07 for AccessBridge, as " + switchOf(vre) + " doesn't exist."));
    EXPECT_EQ(systemCopies(), std::vector<std::string>{});
    EXPECT_EQ(registered("StartExe"), switchOf(vre));
}

TEST_F(AccessBridgeTest, theLastProductUninstalledLeavesNoBridge) {
    const InstalledVesk vre = product(VRE, 64, "1.8.0_321-b07", 9);
    const InstalledVesk vre32 = product(VRE, 32, "1.8.0_321-b07", 10);
    run({vre}, vre32);
    ASSERT_EQ(systemCopies(), (std::vector<std::string>{"32/32", "64/64"}));
    run({vre, vre32}, vre32, VeskSetupManager::Uninstall);
    EXPECT_EQ(systemCopies(), std::vector<std::string>{"64/64"});
    run({vre}, vre, VeskSetupManager::Uninstall);
    EXPECT_EQ(systemCopies(), std::vector<std::string>{});
    EXPECT_FALSE(isRegistered());
}

// An earlier run could not delete the system copy (it was in use) and left its deletion
// for the restart: a copy made now would go at the restart, so it is put in place again
// after that deletion.
TEST_F(AccessBridgeTest, aCopyWhoseDeletionIsPendingIsPutInPlaceAgainAtRestart) {
    const std::string copy = AccessBridgeManager::systemCopyPath(64, 64);
    testsupport::writeFileText(copy, "earlier");
    ASSERT_TRUE(MoveFileExA(copy.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
    const InstalledVesk vre = product(VRE, 64, "1.8.0_321-b07", 11);

    run({}, vre);

    const std::string library = FileUtils::join(vre.homeDir, "bin\\WindowsVabBridge-64.dll");
    EXPECT_EQ(readFileBytes(copy), library) << "in place now";
    const std::vector<testsupport::PendingRename> pending = testsupport::pendingRenames();
    const auto deletion = std::find(pending.begin(), pending.end(),
                                    testsupport::PendingRename{testsupport::pendingPath(copy), ""});
    ASSERT_NE(deletion, pending.end());
    ASSERT_EQ(pending.back().target, "!" + testsupport::pendingPath(copy)) << "after the deletion";
    EXPECT_EQ(readFileBytes(pending.back().source.substr(4)), library);
    EXPECT_EQ(registered("StartExe"), switchOf(vre));
}

}  // namespace

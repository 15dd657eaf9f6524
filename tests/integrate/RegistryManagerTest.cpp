#include "integrate/RegistryManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "SetupRecords.h"
#include "diag/tstrings.h"
#include "integrate/AllCallbacks.h"
#include "platform/Registry.h"
#include "platform/SysInfo.h"
#include "support/LogCapture.h"

namespace {

using namespace setuptest;
using Strings = std::vector<std::string>;

const std::string legacyVre = "Software\\VeskSoft\\Vesk Runtime Environment";
const std::string nuformVre = "Software\\VeskSoft\\VRE";
const std::string hostVesk = "Software\\Classes\\Applications\\vesk.exe";
const std::string hostVeskw = "Software\\Classes\\Applications\\veskw.exe";
const std::string vpkFile = "Software\\Classes\\vpkfile";
const std::string vpkExtension = "Software\\Classes\\.vpk";
// A sub-key of the current user's hive as the per-user walk meets it.
const std::string user = "VeskTestUser\\";

std::wstring wideValue(const Registry& root, const std::string& name) {
    return root.getWideString(name, L"<none>");
}
std::string value(const Registry& root, const std::string& name) { return root.getString(name, "<none>"); }

// Writes the product's version key as its installer would.
void seedVersionKey(const InstalledVesk& product, const std::wstring& home) {
    const Registry key(product.bundle.getRootKey(), product.bundle.versionKeyPath(), Registry::Write);
    key.setWideString("VeskHome", home);
    key.setWideString("RuntimeLib", home + L"\\bin\\server\\vesk.dll");
    key.setString("MicroVersion", "0");
}

void seedKey(const Registry& root, const std::string& path) { Registry(root, path, Registry::Write); }

bool hasLog(const std::vector<testsupport::LogRecord>& records, const std::string& level,
            const std::string& function, const std::string& part) {
    return std::any_of(records.begin(), records.end(), [&](const testsupport::LogRecord& r) {
        return r.level == level && r.function == function && r.message.find(part) != std::string::npos;
    });
}

class RegistryManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SysInfo::isNativeX64()) << "the cases below are those of a 64-bit machine";
    }

    // One update with the standard managers.
    bool update(const std::vector<InstalledVesk>& detected, const InstalledVesk& product,
                VeskSetupManager::Operation operation) {
        VeskSetupManager manager;
        manager.product = product;
        manager.operation = operation;
        return manager.update(*config_, detected);
    }

    std::unique_ptr<InstallConfigData> config_ = makeConfig();
};

TEST_F(RegistryManagerTest, lastLegacyVreOfAViewRemovedWhileNuformStays) {
    const InstalledVesk legacy64 = record(VRE, 64, "1.8.0_321-b07", 11, "C:\\v\\8-64");
    const InstalledVesk nuform64 = record(VRE, 64, "17.0.2+8", 12, "C:\\v\\17-64");
    const InstalledVesk legacy32 = record(VRE, 32, "1.8.0_321-b07", 13, "C:\\v\\8-32");
    seedVersionKey(legacy64, L"C:\\v\\8-64");
    seedVersionKey(nuform64, L"C:\\v\\17-64");
    seedVersionKey(legacy32, L"C:\\v\\8-32");
    Registry::HKLM64.setString(legacyVre + "\\CurrentVersion", "1.8");

    ASSERT_TRUE(update({legacy64, nuform64, legacy32}, legacy64, VeskSetupManager::Uninstall));

    EXPECT_FALSE(Registry::HKLM64.hasSubkey(legacyVre)) << "no legacy VRE left in the 64-bit view";
    EXPECT_EQ(value(Registry::HKLM64, nuformVre + "\\CurrentVersion"), "17.0.2");
    EXPECT_TRUE(Registry::HKLM64.hasSubkey(nuformVre + "\\17.0.2"));
    EXPECT_FALSE(Registry::HKLM64.hasSubkey(nuformVre + "\\17")) << "no family keys for Nuform products";
    EXPECT_EQ(value(Registry::HKLM32, legacyVre + "\\CurrentVersion"), "1.8");
    EXPECT_EQ(value(Registry::HKLM32, legacyVre + "\\1.8\\VeskHome"), "C:\\v\\8-32");
    EXPECT_FALSE(Registry::HKLM32.hasSubkey(nuformVre));
    EXPECT_EQ(value(Registry::HKLM64, hostVesk + "\\IsHostApp"), "");
    EXPECT_EQ(value(Registry::HKLM64, hostVeskw + "\\IsHostApp"), "");
    EXPECT_EQ(value(Registry::HKLM64, vpkFile + "\\"), "Executable Vpk File");
    EXPECT_EQ(value(Registry::HKLM64, vpkFile + "\\shell\\open\\command\\"),
              "\"C:\\v\\17-64\\bin\\veskw.exe\" -vpk \"%1\" %*");
    EXPECT_EQ(value(Registry::HKLM64, vpkExtension + "\\"), "vpkfile");
}

TEST_F(RegistryManagerTest, installedVeskHomeLosesItsTrailingBackslash) {
    // Characters outside the ANSI code page must come through unchanged.
    const std::wstring home = L"C:\\v\\\u00e9\u4e2d";
    ASSERT_NE(tstrings::toUtf16(tstrings::toAnsi(home), CP_ACP), home) << "the ANSI code page holds the home";
    const InstalledVesk product = record(VRE, 64, "1.8.0_321-b07", 21, "C:\\v\\8");
    seedVersionKey(product, home);
    const Registry versionKey(Registry::HKLM64, legacyVre + "\\1.8.0_321", Registry::Write);
    versionKey.setWideString("VeskHome", home + L"\\");

    ASSERT_TRUE(update({product}, product, VeskSetupManager::Install));

    EXPECT_EQ(wideValue(versionKey, "VeskHome"), home);
    DWORD type = REG_NONE;
    ASSERT_TRUE(versionKey.hasValue("VeskHome", &type));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(wideValue(Registry::HKLM64, legacyVre + "\\1.8\\VeskHome"), home) << "copied after the trim";
    EXPECT_EQ(wideValue(Registry::HKLM64, legacyVre + "\\1.8\\RuntimeLib"),
              home + L"\\bin\\server\\vesk.dll");
    EXPECT_EQ(value(Registry::HKLM64, legacyVre + "\\1.8\\MicroVersion"), "0");
    EXPECT_EQ(value(Registry::HKLM64, legacyVre + "\\CurrentVersion"), "1.8");
    EXPECT_EQ(Registry(Registry::HKLM64, legacyVre, Registry::Read).getSubkeyNames().size(), 2u)
        << "the version key 1.8.0_321 and the family key 1.8";
    EXPECT_FALSE(Registry::HKLM32.hasSubkey("Software\\VeskSoft"));

    // A value that refers to the environment keeps its type.
    const InstalledVesk expanding = record(VRE, 32, "1.8.0_321-b07", 22, "C:\\v\\8-32");
    Registry::HKLM32.setExpandString(legacyVre + "\\1.8.0_321\\VeskHome", "%ProgramFiles%\\v\\");
    ASSERT_TRUE(update({product, expanding}, expanding, VeskSetupManager::Install));
    ASSERT_TRUE(Registry::HKLM32.hasValue(legacyVre + "\\1.8.0_321\\VeskHome", &type));
    EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(value(Registry::HKLM32, legacyVre + "\\1.8.0_321\\VeskHome"), "%ProgramFiles%\\v");

    // A repair of the same product: the value is already trimmed and is not written again.
    const auto records =
        testsupport::recordsOf([&] { update({product}, product, VeskSetupManager::Install); });
    EXPECT_FALSE(std::any_of(records.begin(), records.end(), [](const testsupport::LogRecord& r) {
        return r.message.find("1.8.0_321\\VeskHome]") != std::string::npos;
    }));
    EXPECT_TRUE(std::any_of(records.begin(), records.end(), [](const testsupport::LogRecord& r) {
        return r.message.find("1.8\\VeskHome]") != std::string::npos;
    })) << "the TRACE records of writes are there to be seen";
}

TEST_F(RegistryManagerTest, twoLegacyVresOfOneFamilyAndStaleKeys) {
    const InstalledVesk older = record(VRE, 32, "1.8.0_311-b11", 31, "C:\\v\\311");
    const InstalledVesk newer = record(VRE, 32, "1.8.0_321-b07", 32, "C:\\v\\321");
    // Installed, but its home is unknown: its key stays, nothing is taken from it.
    const InstalledVesk homeless = record(VRE, 32, "1.8.0_331-b09", 33, "");
    seedVersionKey(older, L"C:\\v\\311");
    seedVersionKey(newer, L"C:\\v\\321");
    seedVersionKey(homeless, L"C:\\v\\331");
    seedKey(Registry::HKLM32, legacyVre + "\\1.8.0_301");
    Registry::HKLM32.setString(legacyVre + "\\1.8.0_291\\MSI\\MODE", "S");
    seedKey(Registry::HKLM64, "Software\\VeskSoft\\Junk");
    for (const char* key : {"Vesk Runtime Environment\\1.8.0_301", "Vesk Runtime Environment\\1.8.0_321",
                            "Vesk2D\\1.8.0_301", "Vesk2D\\1.8.0_311"}) {
        seedKey(Registry::HKCU32, user + "Software\\VeskSoft\\" + key);
    }
    Registry::HKCU32.setString(user + "Software\\VeskSoft\\Vesk Update\\Mode", "auto");

    ASSERT_TRUE(update({older, homeless, newer}, {}, VeskSetupManager::None));

    EXPECT_EQ(value(Registry::HKLM32, legacyVre + "\\1.8\\VeskHome"), "C:\\v\\321")
        << "the higher update wins";
    EXPECT_EQ(value(Registry::HKLM32, legacyVre + "\\1.8\\RuntimeLib"), "C:\\v\\321\\bin\\server\\vesk.dll");
    EXPECT_EQ(value(Registry::HKLM32, legacyVre + "\\CurrentVersion"), "1.8");
    EXPECT_FALSE(Registry::HKLM32.hasSubkey(legacyVre + "\\1.8.0_301")) << "an empty stale key goes";
    EXPECT_EQ(value(Registry::HKLM32, legacyVre + "\\1.8.0_291\\MSI\\MODE"), "S")
        << "a stale key with sub-keys stays";
    EXPECT_TRUE(Registry::HKLM32.hasSubkey(legacyVre + "\\1.8.0_311"));
    EXPECT_TRUE(Registry::HKLM32.hasSubkey(legacyVre + "\\1.8.0_321"));
    EXPECT_TRUE(Registry::HKLM32.hasSubkey(legacyVre + "\\1.8.0_331"));
    EXPECT_FALSE(Registry::HKLM64.hasSubkey("Software\\VeskSoft")) << "no 64-bit product left";

    const std::string userRoot = user + "Software\\VeskSoft\\";
    EXPECT_FALSE(Registry::HKCU32.hasSubkey(userRoot + "Vesk Runtime Environment\\1.8.0_301"));
    EXPECT_TRUE(Registry::HKCU32.hasSubkey(userRoot + "Vesk Runtime Environment\\1.8.0_321"));
    EXPECT_FALSE(Registry::HKCU32.hasSubkey(userRoot + "Vesk2D\\1.8.0_301"));
    EXPECT_TRUE(Registry::HKCU32.hasSubkey(userRoot + "Vesk2D\\1.8.0_311"));
    EXPECT_EQ(value(Registry::HKCU32, userRoot + "Vesk Update\\Mode"), "auto") << "VREs remain";
}

TEST_F(RegistryManagerTest, noProductsLeft) {
    const InstalledVesk product = record(VRE, 64, "17.0.2+8", 41, "C:\\v\\17");
    seedVersionKey(product, L"C:\\v\\17");
    Registry::HKLM64.setString("Software\\VeskSoft\\Installed", "1");
    seedKey(Registry::HKLM32, "Software\\VeskSoft\\Junk");
    for (const std::string& key : {hostVesk, hostVeskw, vpkFile + "\\shell\\open\\command", vpkExtension,
                                   std::string("Software\\Classes\\Applications\\notepad.exe")}) {
        seedKey(Registry::HKLM64, key);
    }
    seedKey(Registry::HKCU64, user + "Software\\VeskSoft\\Vesk2D\\17.0.2");
    seedKey(Registry::HKCU64, user + "Software\\Other");

    ASSERT_TRUE(update({product}, product, VeskSetupManager::Uninstall));

    for (const std::string& key : {hostVesk, hostVeskw, vpkFile, vpkExtension}) {
        EXPECT_FALSE(Registry::HKLM64.hasSubkey(key)) << key;
    }
    EXPECT_TRUE(Registry::HKLM64.hasSubkey("Software\\Classes\\Applications\\notepad.exe")) << "not ours";
    EXPECT_FALSE(Registry::HKLM64.hasSubkey("Software\\VeskSoft"));
    EXPECT_FALSE(Registry::HKLM32.hasSubkey("Software\\VeskSoft"));
    EXPECT_FALSE(Registry::HKCU64.hasSubkey(user + "Software\\VeskSoft"));
    EXPECT_TRUE(Registry::HKCU64.hasSubkey(user + "Software\\Other"));
}

TEST_F(RegistryManagerTest, prefsKeepsTheMakerKeyAndLosesAllValues) {
    const InstalledVesk product = record(VDK, 32, "17.0.2+8", 51, "C:\\v\\vdk17");
    seedVersionKey(product, L"C:\\v\\vdk17");
    Registry::HKLM64.setString("Software\\VeskSoft\\Prefs\\Lang", "de");
    Registry::HKLM64.setString("Software\\VeskSoft\\A", "a");
    Registry::HKLM64.setDword("Software\\VeskSoft\\B", 2);
    seedKey(Registry::HKLM64, "Software\\VeskSoft\\VRE\\17.0.2");
    Registry::HKLM32.setString("Software\\VeskSoft\\C", "c");
    seedKey(Registry::HKLM32, "Software\\VeskSoft\\Prefs");

    ASSERT_TRUE(update({product}, product, VeskSetupManager::Uninstall));

    for (const Registry* root : {&Registry::HKLM64, &Registry::HKLM32}) {
        SCOPED_TRACE(root->path());
        const Registry maker(*root, "Software\\VeskSoft", Registry::Read);
        EXPECT_EQ(maker.getSubkeyNames(), Strings{"Prefs"});
        EXPECT_TRUE(maker.getValueNames().empty());
    }
    EXPECT_EQ(value(Registry::HKLM64, "Software\\VeskSoft\\Prefs\\Lang"), "de");
}

TEST_F(RegistryManagerTest, unexpectedValueTypesAreLoggedAndTheRestRuns) {
    const InstalledVesk product = record(VRE, 64, "1.8.0_321-b07", 61, "C:\\v\\8");
    const Registry versionKey(Registry::HKLM64, legacyVre + "\\1.8.0_321", Registry::Write);
    versionKey.setDword("VeskHome", 5);
    versionKey.setString("RuntimeLib", "C:\\v\\8\\bin\\server\\vesk.dll");
    versionKey.setExpandString("MicroVersion", "%MICRO%");

    bool result = false;
    auto records =
        testsupport::recordsOf([&] { result = update({product}, product, VeskSetupManager::Install); });
    ASSERT_TRUE(result);
    EXPECT_TRUE(hasLog(records, "ERROR", "RegistryManager::removeTrailingSlashFromVeskHomeKey",
                       "wrong type REG_DWORD"));
    EXPECT_TRUE(
        hasLog(records, "WARNING", "CopyRegistryStringValue", "VeskHome] is REG_DWORD, not a string"));
    DWORD type = REG_NONE;
    ASSERT_TRUE(versionKey.hasValue("VeskHome", &type));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD)) << "left as it was";
    const Registry family(Registry::HKLM64, legacyVre + "\\1.8", Registry::Read);
    EXPECT_FALSE(family.hasValue("VeskHome"));
    EXPECT_EQ(value(family, "RuntimeLib"), "C:\\v\\8\\bin\\server\\vesk.dll");
    ASSERT_TRUE(family.hasValue("MicroVersion", &type));
    EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ)) << "copied with its type";
    EXPECT_EQ(value(Registry::HKLM64, legacyVre + "\\CurrentVersion"), "1.8");
    EXPECT_EQ(value(Registry::HKLM64, hostVesk + "\\IsHostApp"), "");
    EXPECT_EQ(value(Registry::HKLM64, vpkExtension + "\\"), "vpkfile");

    // A product whose version key lacks "VeskHome".
    const InstalledVesk second = record(VRE, 32, "1.8.0_331-b09", 62, "C:\\v\\331");
    Registry::HKLM32.setString(legacyVre + "\\1.8.0_331\\RuntimeLib", "C:\\v\\331\\vesk.dll");
    records = testsupport::recordsOf([&] {
        result = update({product, second}, second, VeskSetupManager::Install);
    });
    ASSERT_TRUE(result);
    EXPECT_TRUE(hasLog(records, "ERROR", "RegistryManager::removeTrailingSlashFromVeskHomeKey", "VeskHome"));
    EXPECT_EQ(value(Registry::HKLM32, legacyVre + "\\1.8\\RuntimeLib"), "C:\\v\\331\\vesk.dll");
    EXPECT_FALSE(Registry::HKLM32.hasValue(legacyVre + "\\1.8.0_331\\VeskHome")) << "not created";
    EXPECT_TRUE(versionKey.hasValue("RuntimeLib")) << "nothing else deleted";

    // A product without any version key: the key is not made for it.
    const InstalledVesk third = record(VRE, 64, "21.0.1+12", 63, "C:\\v\\21");
    records = testsupport::recordsOf([&] {
        result = update({product, second, third}, third, VeskSetupManager::Install);
    });
    ASSERT_TRUE(result);
    EXPECT_TRUE(hasLog(records, "ERROR", "RegistryManager::removeTrailingSlashFromVeskHomeKey", "21.0.1"));
    EXPECT_FALSE(Registry::HKLM64.hasSubkey(nuformVre + "\\21.0.1"));
    EXPECT_EQ(value(Registry::HKLM64, nuformVre + "\\CurrentVersion"), "21.0.1");
}

TEST_F(RegistryManagerTest, runsAfterAThrowingManager) {
    const InstalledVesk product = record(VRE, 64, "17.0.2+8", 71, "C:\\v\\17");
    seedVersionKey(product, L"C:\\v\\17");
    VeskSetupManager manager;
    manager.product = product;
    manager.operation = VeskSetupManager::Install;
    Strings calls;
    SeenView seen;
    auto all = std::make_unique<VeskSetupManager::AllCallbacks>();
    all->add(std::make_unique<RecordingCallback>(calls, seen, true));
    all->add(std::make_unique<RegistryManager>());
    ASSERT_TRUE(manager.update(*config_, {}, std::move(all)));
    EXPECT_EQ(calls, (Strings{"onProducts", "onNoVdk"}));
    EXPECT_EQ(value(Registry::HKLM64, nuformVre + "\\CurrentVersion"), "17.0.2");
    EXPECT_EQ(value(Registry::HKLM64, vpkFile + "\\shell\\open\\command\\"),
              "\"C:\\v\\17\\bin\\veskw.exe\" -vpk \"%1\" %*");
}

struct ArgumentCase {
    const char* name;
    std::vector<InstalledVesk> products;
    Bundle templateBundle;
    std::optional<InstalledVesk> current;
    const char* message;
};

TEST(RegistryManagerArguments, synchRegistryRefusesProductsThatDoNotFit) {
    const InstalledVesk legacy = record(VRE, 32, "1.8.0_321-b07", 81, "C:\\v\\8");
    const InstalledVesk nuform = record(VRE, 32, "17.0.2+8", 82, "C:\\v\\17");
    const InstalledVesk vdk = record(VDK, 32, "1.8.0_321-b07", 83, "C:\\v\\vdk8");
    const Bundle legacyVre32{VRE, 32, VeskVersion("1.8.0")};
    const ArgumentCase cases[] = {
        {"a Nuform product for the legacy root",
         {legacy, nuform},
         legacyVre32,
         {},
         "Unexpected items in 'instaledVesks' parameter"},
        {"a current product of another type",
         {legacy},
         legacyVre32,
         vdk,
         "Unexpected type of 'current' parameter"},
        {"a current product not among the products",
         {legacy},
         legacyVre32,
         record(VRE, 32, "1.8.0_331-b09", 84, "C:\\v\\331"),
         "Unexpected value of 'current' parameter"},
        {"a product of another arch",
         {record(VRE, 64, "1.8.0_321-b07", 85, "C:\\v\\x")},
         legacyVre32,
         {},
         "unexpected archs"},
        {"duplicated product codes", {legacy, legacy}, legacyVre32, {}, "duplicated product codes"},
    };
    for (const ArgumentCase& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            RegistryManager::synchRegistry(c.products, c.templateBundle, c.current ? &*c.current : nullptr);
            ADD_FAILURE() << "no exception";
        } catch (const std::invalid_argument& error) {
            EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
        }
    }
    EXPECT_FALSE(Registry::HKLM32.hasSubkey("Software\\VeskSoft")) << "nothing written";
}

}  // namespace

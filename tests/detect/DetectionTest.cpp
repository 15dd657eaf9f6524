// Detection against testbed products installed for real in this test's Wine prefix: the
// trackers over every product, and the fall-back sources of home directory and version.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "detect/Bundle.h"
#include "detect/TrackedProduct.h"
#include "detect/VeskEnvironment.h"
#include "diag/VdsError.h"
#include "diag/tstrings.h"
#include "platform/FileUtils.h"
#include "platform/Registry.h"
#include "support/LogCapture.h"
#include "support/TestbedMsi.h"

namespace {

using testsupport::LogRecord;

const TestbedProduct* const installedProducts[] = {
    &vreLegacy64,       &vdkLegacy32,         &vreNuform64,          &vreBothTrackers64, &vreRow1Update05,
    &vreNoLocation64,   &vreFamilyMismatch64, &vdkNuformNoVersion32, &unrelatedProduct,
};

constexpr const char* detectRoot = "C:\\VeskDetect";

std::string uninstallKey(const std::string& code) {
    return "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + code;
}

// A runtime home with the testbed's bin\vesk.exe (file version 8.0.3210.7).
void makeHome(const std::string& home) {
    FileUtils::createDirs(home + "\\bin");
    ASSERT_TRUE(CopyFileA(TESTBED_BIN_DIR "\\vesk.exe", (home + "\\bin\\vesk.exe").c_str(), FALSE));
}

void putArchive(const std::string& home, const std::string& archive) {
    FileUtils::createDirs(home + "\\lib");
    ASSERT_TRUE(CopyFileA((std::string(MANIFEST_DIR) + "\\" + archive).c_str(), (home + "\\lib\\rt.vpk").c_str(),
                          FALSE));
}

bool hasMessage(const std::vector<LogRecord>& records, const std::string& level, const std::string& text) {
    return std::any_of(records.begin(), records.end(), [&](const LogRecord& record) {
        return record.level == level && record.message.find(text) != std::string::npos;
    });
}

std::size_t countMessages(const std::vector<LogRecord>& records, const std::string& text) {
    return static_cast<std::size_t>(std::count_if(records.begin(), records.end(), [&](const LogRecord& record) {
        return record.message.find(text) != std::string::npos;
    }));
}

class Detection : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        for (const TestbedProduct* product : installedProducts) {
            ASSERT_EQ(testsupport::installTestbedProduct(*product), 0u) << product->file;
        }
    }

    void TearDown() override {
        FileUtils::tryDeleteTree(detectRoot);
        Registry::HKLM64.deleteValue(uninstallKey(vreNoLocation64.productCode) + "\\Readme");
        Registry::HKLM64.deleteKeyTree("Software\\VeskSoft");
        Registry::HKLM32.deleteKeyTree("Software\\VeskSoft");
        Registry::HKLM32.deleteKeyTree(uninstallKey(vreLegacy64.productCode));
    }

    // The record of the product without InstallLocation (a legacy VRE/64 whose code gives
    // "1.8.0_321" and whose package has no version property), as detection completes it.
    static InstalledVesk noLocationRecord(std::vector<LogRecord>* records = nullptr) {
        TrackedProduct tracked;
        tracked.productCode = vreNoLocation64.productCode;
        tracked.type = TrackedProduct::VRE;
        tracked.bits = 64;
        tracked.version = VeskVersion("1.8.0_321").withoutBuild();
        InstalledVesk record;
        const auto found = testsupport::recordsOf([&] { record = VeskEnvironment::getInstalledVesk(tracked); });
        if (records != nullptr) {
            *records = found;
        }
        return record;
    }

    static void setReadme(const std::wstring& value) {
        const Registry key(Registry::HKLM64, uninstallKey(vreNoLocation64.productCode), Registry::Write);
        ASSERT_EQ(RegSetValueExW(key.handle(), L"Readme", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }

    static void setVeskHome(const Registry& root, const std::string& versionKey, const std::wstring& value) {
        const Registry key(root, versionKey, Registry::Write);
        ASSERT_EQ(RegSetValueExW(key.handle(), L"VeskHome", 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(value.c_str()),
                                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }
};

struct Expected {
    const TestbedProduct* product;
    std::int32_t type;
    std::int32_t arch;
    std::string version;
    std::string home;
};

TEST_F(Detection, everyProductOfOurLineOnceAndNothingElse) {
    std::vector<InstalledVesk> products;
    const auto records = testsupport::recordsOf([&] { products = VeskEnvironment::detect(); });

    const std::vector<Expected> expected = {
        {&vreLegacy64, Bundle::VRE, 64, "1.8.0_321-b07", "c:\\program files\\vesk\\vre-1.8.0_321"},
        {&vdkLegacy32, Bundle::VDK, 32, "1.8.0_321-b07", "c:\\program files (x86)\\vesk\\vdk-1.8.0_321"},
        {&vreBothTrackers64, Bundle::VRE, 64, "1.9.0_331-b04", "c:\\veskdetect\\both"},
        {&vreRow1Update05, Bundle::VRE, 32, "1.4.2_05-b03", "c:\\veskdetect\\vre142"},
        {&vreNoLocation64, Bundle::VRE, 64, "1.8.0_321", ""},
        {&vreFamilyMismatch64, Bundle::VRE, 64, "9.0.1", "c:\\veskdetect\\family"},
        {&vreNuform64, Bundle::VRE, 64, "17.0.2+8", "c:\\program files\\vesk\\vre-17.0.2"},
    };
    std::vector<std::string> codes;
    for (const InstalledVesk& product : products) {
        codes.push_back(product.productCode.toString());
    }
    std::vector<std::string> expectedCodes;
    for (const Expected& e : expected) {
        expectedCodes.push_back(e.product->productCode);
    }
    std::sort(codes.begin(), codes.end());
    std::sort(expectedCodes.begin(), expectedCodes.end());
    EXPECT_EQ(codes, expectedCodes) << "each once; the unrelated product and the VDK without version left out";

    for (const Expected& e : expected) {
        SCOPED_TRACE(e.product->file);
        const InstalledVesk& found =
            VeskEnvironment::getByProductCode(products, Guid(tstrings::toUtf16(e.product->productCode, CP_ACP)));
        EXPECT_EQ(found.bundle.type, e.type);
        EXPECT_EQ(found.bundle.arch, e.arch);
        EXPECT_EQ(found.bundle.version.toString(), e.version);
        EXPECT_EQ(found.homeDir, e.home);
        EXPECT_EQ(found.mode, e.type == Bundle::VRE ? InstalledVesk::ordinaryMode : InstalledVesk::noMode);
        EXPECT_EQ(found.uninstaller, &Uninstaller::shared());
    }

    EXPECT_EQ(countMessages(records, "Product with ProductCode=[" + std::string(vreBothTrackers64.productCode) +
                                         "] is tracked multiple times"),
              1u);
    EXPECT_TRUE(hasMessage(records, "WARNING",
                           std::string(vreFamilyMismatch64.productCode) +
                               ": Given version is [1.8.0_321]; Value of \"FullVersion\" MSI property is [9.0.1]. "
                               "Should have the same family."));
    EXPECT_TRUE(hasMessage(records, "ERROR",
                           "The version of " + std::string(vdkNuformNoVersion32.productCode) +
                               " Vesk installation is unknown after every source"));
    EXPECT_EQ(countMessages(records, unrelatedProduct.productCode), 0u) << "skipped silently";
}

TEST_F(Detection, productCodeSelection) {
    const std::vector<InstalledVesk> products = VeskEnvironment::detect();
    EXPECT_EQ(VeskEnvironment::selectByProductCode(products, vreLegacy64.productCode).bundle.version.toString(),
              "1.8.0_321-b07");
    // Any case and the short forms of a GUID name the same product.
    EXPECT_EQ(VeskEnvironment::selectByProductCode(products, "7d3e19b0-5c62-4a8f-9e07-4b64180321f0").homeDir,
              "c:\\program files\\vesk\\vre-1.8.0_321");
    try {
        VeskEnvironment::selectByProductCode(products, unrelatedProduct.productCode);
        FAIL() << "found a product that is not ours";
    } catch (const VdsError<std::runtime_error>& error) {
        EXPECT_TRUE(std::string(error.what())
                        .ends_with(" at VeskEnvironment::getByProductCode(): No matching Vesk found for " +
                                   std::string(unrelatedProduct.productCode) +
                                   " Product Code in the given products range"))
            << error.what();
    }
    EXPECT_THROW(VeskEnvironment::selectByProductCode(products, "not a code"), VdsError<std::runtime_error>);
}

TEST_F(Detection, homeFromReadmeAndBuildFromTheFileVersion) {
    const std::string home = std::string(detectRoot) + "\\p\\vre";
    makeHome(home);
    setReadme(L"C:\\VeskDetect\\p\\vre\\README.txt");
    std::vector<LogRecord> records;
    const InstalledVesk record = noLocationRecord(&records);
    EXPECT_EQ(record.homeDir, "c:\\veskdetect\\p\\vre");
    EXPECT_EQ(record.bundle.version.slots(), (VeskVersion::Slots{1, 8, 0, 321, 7, 0})) << "update 321, build 7";
    EXPECT_EQ(record.bundle.version.text(), "1.8.0_321-b7");
    EXPECT_TRUE(hasMessage(records, "WARNING", "Unexpected empty value of [InstallLocation] product property of " +
                                                   std::string(vreNoLocation64.productCode)));
    EXPECT_TRUE(hasMessage(records, "WARNING", "Home directory [c:\\veskdetect\\p\\vre] of "));
    EXPECT_TRUE(hasMessage(records, "TRACE", "Try home directory from [Readme] registry value of "));

    // A runtime planted in the root of the drive is never taken for it.
    FileUtils::deleteTree(home);
    makeHome("C:\\");
    const InstalledVesk planted = noLocationRecord();
    FileUtils::deleteTree("C:\\bin");
    EXPECT_EQ(planted.homeDir, "");
}

TEST_F(Detection, manifestMapsTheVersionAndDamagedArchivesAreOnlyLogged) {
    const std::string home = std::string(detectRoot) + "\\p\\vre";
    makeHome(home);
    setReadme(L"C:\\VeskDetect\\p\\vre\\bin\\");
    putArchive(home, "rt-1.8.0_322.vpk");
    std::vector<LogRecord> records;
    const InstalledVesk mapped = noLocationRecord(&records);
    EXPECT_EQ(mapped.bundle.version.toString(), "1.8.0_322") << "from the main section only";
    EXPECT_TRUE(hasMessage(records, "INFO", " Detected version mapping from 1.8.0_321 to 1.8.0_322 in " +
                                                std::string(vreNoLocation64.productCode) + " Vesk installation."));

    putArchive(home, "rt-1.8.0_321.vpk");
    EXPECT_EQ(noLocationRecord().bundle.version.toString(), "1.8.0_321-b07") << "same version: build from the file";

    for (const char* damaged : {"rt-crc.vpk", "rt-continued.vpk", "rt-section-only.vpk"}) {
        SCOPED_TRACE(damaged);
        putArchive(home, damaged);
        const InstalledVesk kept = noLocationRecord(&records);
        EXPECT_EQ(kept.bundle.version.toString(), "1.8.0_321-b07");
        EXPECT_EQ(kept.homeDir, "c:\\veskdetect\\p\\vre");
        EXPECT_TRUE(std::any_of(records.begin(), records.end(), [](const LogRecord& r) {
            return r.level == "ERROR" && r.function == "adjustVersion";
        }));
    }
}

TEST_F(Detection, homesFromVeskHomeMustBeAbsoluteAndOfTheCodePage) {
    // The uninstall key is there but names no file; the version key has the home.
    const std::string versionKey = "Software\\VeskSoft\\Vesk Runtime Environment\\1.8.0_321";
    struct Case {
        std::wstring value;
        std::string home;
    };
    const std::vector<Case> cases = {
        {L"C:\\VeskDetect\\Caf\u00e9\\vre", "c:\\veskdetect\\caf\u00e9\\vre"},
        {L"C:\\\u0141\u00f3d\u017a\\vre", ""},  // "Łódź" is not in code page 1252
        {L"vre\\home", ""},
        {L"C:vre", ""},
        {L"\\vre", ""},
        {L"\"C:\\VeskDetect\\vre\"", ""},
        {L"\\\\server\\share\\vre", "\\\\server\\share\\vre"},
    };
    if (GetACP() != 1252) {
        GTEST_SKIP() << "the cases are written for code page 1252; this one is " << GetACP();
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(tstrings::toUtf8(c.value));
        setVeskHome(Registry::HKLM64, versionKey, c.value);
        std::string expected;
        ASSERT_TRUE(tstrings::toAnsiExact(tstrings::toUtf16(c.home, CP_UTF8), expected));
        std::vector<LogRecord> records;
        EXPECT_EQ(noLocationRecord(&records).homeDir, expected);
        if (expected.empty()) {
            EXPECT_TRUE(hasMessage(records, "WARNING", "Value of [VeskHome] of ")) << "the refusal is reported";
        }
    }
}

TEST_F(Detection, missingUninstallKeyGoesOnToVeskHome) {
    // A product code that Windows Installer does not know: no properties, no uninstall key.
    TrackedProduct tracked;
    tracked.productCode = "{7D3E19B0-5C62-4A8F-9E07-4B64180399A1}";
    tracked.type = TrackedProduct::VRE;
    tracked.bits = 64;
    tracked.version = VeskVersion("1.8.0_399").withoutBuild();
    setVeskHome(Registry::HKLM64, "Software\\VeskSoft\\Vesk Runtime Environment\\1.8.0_399", L"C:\\VeskDetect\\399");
    Registry(Registry::HKLM64, "Software\\VeskSoft\\Vesk Runtime Environment\\1.8.0_399\\MSI", Registry::Write)
        .setString("MODE", "s");
    const InstalledVesk record = VeskEnvironment::getInstalledVesk(tracked);
    EXPECT_EQ(record.homeDir, "c:\\veskdetect\\399");
    EXPECT_EQ(record.mode, InstalledVesk::sMode);
    EXPECT_EQ(record.bundle.version.toString(), "1.8.0_399");
}

TEST_F(Detection, productInBothRegistryViewsIs64BitWithOneWarning) {
    Registry(Registry::HKLM32, uninstallKey(vreLegacy64.productCode), Registry::Write).setString("DisplayName", "copy");
    std::int32_t bits = 0;
    const auto records = testsupport::recordsOf([&] { bits = VeskEnvironment::detectBits(vreLegacy64.productCode); });
    EXPECT_EQ(bits, 64);
    EXPECT_EQ(countMessages(records, "Registry key [" + uninstallKey(vreLegacy64.productCode) +
                                         "] exists in both 32bit and 64bit HKLM registry hives. Use from 64bit hive."),
              1u);
    EXPECT_EQ(VeskEnvironment::detectBits(vdkLegacy32.productCode), 32);
    EXPECT_THROW(VeskEnvironment::detectBits("{00000000-1111-2222-3333-444444444444}"), VdsError<std::runtime_error>);
}

TEST_F(Detection, nuformRuntimeWithAnArchiveTakesTheManifestVersion) {
    const std::string home = vreNuform64.installLocation;
    makeHome(home);
    putArchive(home, "rt-17.0.2.vpk");
    std::vector<InstalledVesk> products;
    const auto records = testsupport::recordsOf([&] { products = VeskEnvironment::detect(); });
    FileUtils::deleteTree(home);
    const InstalledVesk& nuform =
        VeskEnvironment::getByProductCode(products, Guid(tstrings::toUtf16(vreNuform64.productCode, CP_ACP)));
    EXPECT_EQ(nuform.bundle.version.toString(), "17.0.2");
    EXPECT_TRUE(hasMessage(records, "INFO", " Detected version mapping from  to 17.0.2 in "));
}

}  // namespace

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "detect/MsiDatabase.h"
#include "detect/MsiError.h"
#include "detect/MsiUtils.h"
#include "diag/VdsError.h"
#include "support/TestbedMsi.h"

namespace {

// Products that the installer does not know.
constexpr const char* unknownProduct = "{00000000-1111-2222-3333-444444444444}";

class MsiPropertyTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        for (const TestbedProduct* product : {&vreLegacy64, &vdkLegacy32}) {
            if (!testsupport::isProductInstalled(product->productCode)) {
                ASSERT_EQ(testsupport::installTestbedProduct(*product), 0u) << product->file;
            }
        }
    }
};

TEST_F(MsiPropertyTest, productPropertiesLongerThanTheFirstBuffer) {
    const std::string name = msi::getProperty(vreLegacy64.productCode, "ProductName");
    EXPECT_GT(name.size(), 19u) << "must need the doubled buffer";
    EXPECT_EQ(name, vreLegacy64.productName);
    EXPECT_EQ(msi::getProperty(vreLegacy64.productCode, "InstallLocation"), vreLegacy64.installLocation);
    EXPECT_EQ(msi::tryGetProperty(vdkLegacy32.productCode, "ProductName"), vdkLegacy32.productName);
}

TEST_F(MsiPropertyTest, unknownProductFailsOrReadsEmpty) {
    EXPECT_EQ(msi::tryGetProperty(unknownProduct, "ProductName"), "");
    try {
        msi::getProperty(unknownProduct, "ProductName");
        FAIL() << "read a property of an unknown product";
    } catch (const VdsError<msi::Error>& error) {
        EXPECT_EQ(error.status(), static_cast<int>(ERROR_UNKNOWN_PRODUCT));
        const std::string what = error.what();
        EXPECT_NE(what.find(" at msi::getProperty(): MsiGetProductInfo(" + std::string(unknownProduct) +
                            ", ProductName) failed. MSI error [1605]"),
                  std::string::npos)
            << what;
    }
}

TEST_F(MsiPropertyTest, packagePropertiesFromTheCachedPackage) {
    const msi::Database vre = msi::Database::forProduct(vreLegacy64.productCode);
    EXPECT_EQ(vre.path(), msi::getProperty(vreLegacy64.productCode, "LocalPackage"));
    EXPECT_EQ(vre.getProperty("FullVersion"), vreLegacy64.versionValue);
    EXPECT_EQ(vre.getProperty("ProductName"), vreLegacy64.productName);
    EXPECT_EQ(vre.getProperty("ProductCode"), vreLegacy64.productCode);

    const msi::Database vdk = msi::Database::forProduct(vdkLegacy32.productCode);
    EXPECT_EQ(vdk.getProperty("VDK_VERSION"), vdkLegacy32.versionValue);
}

TEST_F(MsiPropertyTest, missingPackagePropertyFailsAtTheFetch) {
    const msi::Database vre = msi::Database::forProduct(vreLegacy64.productCode);
    try {
        vre.getProperty("VDK_VERSION");
        FAIL() << "read a property the package lacks";
    } catch (const VdsError<msi::Error>& error) {
        EXPECT_EQ(error.status(), static_cast<int>(ERROR_NO_MORE_ITEMS));
        const std::string what = error.what();
        EXPECT_NE(what.find(" at msi::Database::getProperty(): MsiViewFetch(" + vre.path() +
                            ", SELECT Value FROM Property WHERE Property = 'VDK_VERSION') failed. MSI error [259]"),
                  std::string::npos)
            << what;
    }
}

TEST_F(MsiPropertyTest, badQueryFailsAtOpeningTheView) {
    const msi::Database vre = msi::Database::forProduct(vreLegacy64.productCode);
    // The name goes into the query unescaped.
    try {
        vre.getProperty("it's");
        FAIL() << "ran a broken query";
    } catch (const VdsError<msi::Error>& error) {
        EXPECT_NE(std::string(error.what()).find("MsiDatabaseOpenView(" + vre.path() +
                                                 ", SELECT Value FROM Property WHERE Property = 'it's') failed"),
                  std::string::npos)
            << error.what();
    }
}

TEST_F(MsiPropertyTest, openingNeedsAnExistingPackage) {
    const std::string path = "C:\\no\\such\\package.msi";
    try {
        msi::Database::open(path);
        FAIL() << "opened a missing package";
    } catch (const VdsError<msi::Error>& error) {
        EXPECT_NE(error.status(), 0);
        EXPECT_NE(std::string(error.what()).find(" at msi::openDatabase(): MsiOpenDatabase(" + path +
                                                 ", MSIDBOPEN_READONLY) failed. MSI error ["),
                  std::string::npos)
            << error.what();
    }
    EXPECT_THROW(msi::Database::forProduct(unknownProduct), VdsError<msi::Error>);
}

TEST_F(MsiPropertyTest, packagesOnDiskOpenDirectly) {
    const msi::Database package = msi::Database::open(testsupport::testbedMsiPath(vreNuform64));
    EXPECT_EQ(package.getProperty("FullVersion"), vreNuform64.versionValue);
    EXPECT_EQ(package.getProperty("UpgradeCode"), "{A04E7B13-9D25-4C71-8F6A-3E9156420017}");
}

}  // namespace

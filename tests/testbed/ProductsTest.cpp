// The packages of the products that installer.exe fills with the testbed images: they
// register the home to fill and the version that the images carry.
#include "TestbedFiles.h"
#include "support/TestbedMsi.h"

#include <gtest/gtest.h>
#include <msi.h>
#include <windows.h>

namespace {

std::string productInfo(const char* productCode, const char* property) {
    char value[1024];
    DWORD size = sizeof value;
    const UINT status = MsiGetProductInfoA(productCode, property, value, &size);
    return status == ERROR_SUCCESS ? std::string(value, size) : "error " + std::to_string(status);
}

class TestbedProductTest : public ::testing::TestWithParam<const TestbedProduct*> {};

TEST_P(TestbedProductTest, RegistersAnEmptyHomeAndTheImagesVersion) {
    const TestbedProduct& product = *GetParam();
    ASSERT_EQ(0u, testsupport::installTestbedProduct(product)) << product.file;
    EXPECT_EQ(product.installLocation, productInfo(product.productCode, "InstallLocation"));
    // Nothing is in the home until the installer puts the image there.
    EXPECT_FALSE(testbedfiles::exists(product.installLocation));
    const std::string manifest = testbedfiles::readFile(testbedfiles::fixturePath("rt.manifest.txt"));
    EXPECT_NE(std::string::npos,
              manifest.find(std::string("\nImplementation-Version: ") + product.versionValue + "\r\n"))
        << manifest;
}

INSTANTIATE_TEST_SUITE_P(Products, TestbedProductTest, ::testing::Values(&vreTestbed64, &vreTestbed32),
                         [](const ::testing::TestParamInfo<const TestbedProduct*>& info) {
                             return std::string(info.param == &vreTestbed64 ? "x64" : "x86");
                         });

}  // namespace

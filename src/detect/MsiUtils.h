#pragma once

#include <windows.h>

#include <string>

// The Windows Installer calls the installer needs about installed products.
namespace msi {

// A property of an installed product (MsiGetProductInfoA); `productCode` in registry
// form. Throws VdsError<msi::Error> "MsiGetProductInfo(<code>, <name>) failed".
std::string getProperty(const std::string& productCode, const std::string& name);

// The same, but empty on any failure.
std::string tryGetProperty(const std::string& productCode, const std::string& name);

// The same read with the wide call, for values that other installers wrote and that the
// ANSI code page may not hold ("InstallLocation"); empty on any failure.
std::wstring tryGetWideProperty(const std::string& productCode, const std::string& name);

// The product code of the installed product number `index` (MsiEnumProductsA), in
// registry form. Returns the installer's status: 0, ERROR_NO_MORE_ITEMS after the last
// product, or a failure for this index.
UINT enumProducts(DWORD index, std::string& productCode);

// The product code of the installed product number `index` among those of the upgrade
// code (MsiEnumRelatedProductsA); both codes in registry form. Returns the installer's
// status like enumProducts.
UINT enumRelatedProducts(const std::string& upgradeCode, DWORD index, std::string& productCode);

// Waits at most `milliseconds` for a running installation to end (the installer service
// holds the mutex "Global\_MSIExecute" while it installs). Returns false only when the
// wait timed out. 0 polls once.
bool waitForInstallationCompletion(DWORD milliseconds);

}  // namespace msi

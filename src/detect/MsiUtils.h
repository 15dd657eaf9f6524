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

// Waits at most `milliseconds` for a running installation to end (the installer service
// holds the mutex "Global\_MSIExecute" while it installs). Returns false only when the
// wait timed out. 0 polls once.
bool waitForInstallationCompletion(DWORD milliseconds);

}  // namespace msi

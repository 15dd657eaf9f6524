#pragma once

#include <windows.h>

#include <string>

#include "testbed/TestbedProducts.h"

namespace testsupport {

// The Windows path of a testbed package.
std::string testbedMsiPath(const TestbedProduct& product);

// Installs a testbed package silently (MsiInstallProductA) and returns the installer's
// status; the process's UI level is left as it was.
UINT installTestbedProduct(const TestbedProduct& product);

// Whether Windows Installer lists the product as installed.
bool isProductInstalled(const std::string& productCode);

}  // namespace testsupport

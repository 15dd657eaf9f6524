#pragma once

#include <string>

#include "detect/VeskVersion.h"

class ProductPackage;

// Completing the version that a tracker gave for an installed product. Every source
// logs its own errors and then leaves the given version as it is.
namespace VersionDetection {

// The more precise of the given version, the package's version property and the version
// from the home directory's main program: the package wins over the program, and either
// only when it has more known slots than the given version.
VeskVersion detectFullVersion(const std::string& productCode, const VeskVersion& given,
                              const std::string& home, ProductPackage& package);

// The package property "FullVersion", or "VDK_VERSION" when that is empty.
VeskVersion detectFullVersionFromMsi(const std::string& productCode, const VeskVersion& given,
                                     ProductPackage& package);

// A legacy version completed with the build of home\bin\vesk.exe's file version
// ("1.8.0_321" and 8.0.3210.7 give "1.8.0_321-b7").
VeskVersion detectFullVersionFromHomeDir(const std::string& productCode, const VeskVersion& given,
                                         const std::string& home);

// The version of the manifest of home\lib\rt.vpk, when it names another version (its
// build aside) than the given one; a given version of unknown scheme always counts as
// another one.
VeskVersion adjustVersion(const std::string& productCode, const VeskVersion& given, const std::string& home);

}  // namespace VersionDetection

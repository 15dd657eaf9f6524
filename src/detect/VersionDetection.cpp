#include "detect/VersionDetection.h"

#include <stdexcept>

#include "detect/ManifestVersion.h"
#include "detect/ProductPackage.h"
#include "detect/SchemeVersion.h"
#include "diag/CatchAndLog.h"
#include "diag/Logger.h"
#include "diag/tstrings.h"
#include "platform/FileUtils.h"
#include "platform/VersionResource.h"

namespace VersionDetection {

namespace {

bool isFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string fileVersionText(const FileUtils::FileVersion& version) {
    return tstrings::toDecimal(version.major) + "." + tstrings::toDecimal(version.minor) + "." +
           tstrings::toDecimal(version.build) + "." + tstrings::toDecimal(version.revision);
}

}  // namespace

VeskVersion detectFullVersion(const std::string& productCode, const VeskVersion& given,
                              const std::string& home, ProductPackage& package) {
    LOG_TRACE("detectFullVersion", "Detect full version of " << productCode << " Vesk installation");
    const VeskVersion fromMsi = detectFullVersionFromMsi(productCode, given, package);
    if (given.knownSlots() < fromMsi.knownSlots()) {
        return fromMsi;
    }
    const VeskVersion fromHome = detectFullVersionFromHomeDir(productCode, given, home);
    return given.knownSlots() < fromHome.knownSlots() ? fromHome : given;
}

VeskVersion detectFullVersionFromMsi(const std::string& productCode, const VeskVersion& given,
                                     ProductPackage& package) {
    LOG_TRACE("detectFullVersionFromMsi", "detectFullVersionFromMsi(" << productCode << ")");
    try {
        std::string name = "FullVersion";
        std::string value = package.getMsiProperty(name);
        if (value.empty()) {
            name = "VDK_VERSION";
            value = package.getMsiProperty(name);
        }
        if (value.empty()) {
            return given;
        }
        const VeskVersion found(value);
        if (given.knownSlots() >= found.knownSlots()) {
            return given;
        }
        if (!given.text().empty() && given.family() != found.family()) {
            LOG_WARNING("detectFullVersionFromMsi",
                        productCode << ": Given version is [" << given.text() << "]; Value of \"" << name
                                    << "\" MSI property is [" << value << "]. Should have the same family.");
        }
        return found;
    }
    VDS_CATCH_AND_LOG("detectFullVersionFromMsi")
    return given;
}

VeskVersion detectFullVersionFromHomeDir(const std::string& productCode, const VeskVersion& given,
                                         const std::string& home) {
    LOG_TRACE("detectFullVersionFromHomeDir",
              "detectFullVersionFromHomeDir(" << productCode << ", " << home << ")");
    if (home.empty()) {
        return given;
    }
    try {
        const SpecializedVersion<VeskVersionDetails::BaseLegacy> legacy(given);
        const std::string program = FileUtils::join(home, "bin\\vesk.exe");
        const FileUtils::FileVersion fileVersion = FileUtils::fileVersion(program);
        if (static_cast<std::int64_t>(fileVersion.major) != legacy.minorNumber() ||
            static_cast<std::int64_t>(fileVersion.minor) != legacy.microNumber()) {
            LOG_WARNING("detectFullVersionFromHomeDir",
                        productCode << ": Given version is [" << given.text()
                                    << "]; Value of file version extracted from " << program << " is ["
                                    << fileVersionText(fileVersion)
                                    << "]. Unexpected components in file version.");
            return given;
        }
        return VeskVersion(given.withoutBuild().toString() + "-b" +
                           tstrings::toDecimal(fileVersion.revision));
    }
    VDS_CATCH_AND_LOG("detectFullVersionFromHomeDir")
    return given;
}

VeskVersion adjustVersion(const std::string& productCode, const VeskVersion& given, const std::string& home) {
    // A damaged archive left by a failed install must not hide the product: repairing
    // exactly such an install has to find it.
    try {
        if (!isFile(ManifestVersion::runtimeArchivePath(home))) {
            return given;
        }
        const VeskVersion found =
            ManifestVersion::versionFromManifest(ManifestVersion::readRuntimeManifest(home));
        const VeskVersion foundWithoutBuild = found.withoutBuild();
        if (given.hasFamily() && given.withoutBuild() == foundWithoutBuild) {
            return given;
        }
        LOG_INFO("adjustVersion", " Detected version mapping from " << given.text() << " to " << found.text()
                                                                    << " in " << productCode
                                                                    << " Vesk installation.");
        return found;
    }
    VDS_CATCH_AND_LOG("adjustVersion")
    return given;
}

}  // namespace VersionDetection

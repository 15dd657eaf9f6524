#include "detect/HomeDirDetection.h"

#include <optional>

#include "detect/Bundle.h"
#include "detect/HomePath.h"
#include "detect/MsiUtils.h"
#include "detect/ProductRegistry.h"
#include "detect/TrackedProduct.h"
#include "diag/CatchAndLog.h"
#include "diag/Logger.h"
#include "diag/tstrings.h"
#include "platform/FileUtils.h"

namespace HomeDirDetection {

namespace {

constexpr const char* function = "detectHomeDir";

bool isFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Whether `folder` holds the product's programs, in a real folder and a real bin folder:
// a link there could lead anywhere a standard user chose.
bool holdsPrograms(const std::string& folder, std::int32_t type) {
    const std::string bin = folder + "\\bin";
    if (!FileUtils::isDirectory(folder) || FileUtils::isReparsePoint(folder) ||
        FileUtils::isReparsePoint(bin)) {
        return false;
    }
    return isFile(bin + "\\vesk.exe") && (type != TrackedProduct::VDK || isFile(bin + "\\veskc.exe"));
}

// `value` in the ANSI code page when it is an absolute path that converts exactly;
// otherwise nothing, with a WARNING that names the source.
std::optional<std::string> acceptedPath(const std::wstring& value, const std::string& source,
                                        const std::string& productCode) {
    std::string ansi;
    if (!tstrings::toAnsiExact(value, ansi)) {
        LOG_WARNING(function, "Value of ["
                                  << source << "] of " << productCode << " Vesk installation ["
                                  << tstrings::toUtf8(value)
                                  << "] (UTF-8) has characters that the ANSI code page lacks. Ignored.");
        return std::nullopt;
    }
    if (!HomePath::isAbsolute(value)) {
        LOG_WARNING(function, "Value of [" << source << "] of " << productCode << " Vesk installation ["
                                           << ansi << "] is not an absolute path. Ignored.");
        return std::nullopt;
    }
    return ansi;
}

// A home taken as it is from `source`; empty when the value is empty or not accepted.
std::string homeFromValue(const std::wstring& value, const std::string& source,
                          const std::string& productCode) {
    if (value.empty()) {
        return {};
    }
    return acceptedPath(value, source, productCode).value_or("");
}

// A home found above the file that `source` names; empty when the value is empty, not
// accepted or leads to no home.
std::string homeFromFileValue(const std::wstring& value, const std::string& source,
                              const std::string& productCode, std::int32_t type) {
    if (value.empty() || !acceptedPath(value, source, productCode)) {
        return {};
    }
    const std::string home = findHomeFromFile(value, type);
    if (!home.empty()) {
        // A guess from where a file lies, not a location the product recorded.
        LOG_WARNING(function, "Home directory [" << home << "] of " << productCode
                                                 << " Vesk installation found from the file in [" << source
                                                 << "].");
    }
    return home;
}

void traceTry(const std::string& source, const char* kind, const std::string& productCode) {
    LOG_TRACE(function, "Try home directory from [" << source << "] " << kind << " of " << productCode
                                                    << " Vesk installation.");
}

// The uninstall key's values; a missing key reads as empty values.
class UninstallValues {
public:
    explicit UninstallValues(const std::string& productCode) {
        try {
            key_ = ProductRegistry::findRegKey(ProductRegistry::uninstallKeyPath(productCode));
        }
        VDS_CATCH_AND_LOG(function)
    }

    std::wstring get(const std::string& name) const {
        return key_ ? key_->key.getWideString(name, L"") : L"";
    }

private:
    std::optional<ProductRegistry::FoundKey> key_;
};

}  // namespace

std::string findHomeFromFile(const std::wstring& path, std::int32_t type) {
    if (type != TrackedProduct::VRE && type != TrackedProduct::VDK) {
        return {};
    }
    if (!HomePath::isAbsolute(path)) {
        return {};
    }
    for (std::wstring folder = HomePath::withoutTrailingSeparators(path);
         !folder.empty() && !HomePath::isRoot(folder); folder = HomePath::parent(folder)) {
        std::string candidate;
        if (tstrings::toAnsiExact(folder, candidate) && holdsPrograms(candidate, type)) {
            return FileUtils::normalizePath(candidate);
        }
    }
    return {};
}

std::string detectHomeDir(const std::string& productCode, const Bundle& bundle) {
    LOG_TRACE(function, "Find home dir of " << productCode << " Vesk installation");
    std::string home = homeFromValue(msi::tryGetWideProperty(productCode, "InstallLocation"),
                                     "InstallLocation", productCode);
    if (!home.empty()) {
        return home;
    }
    LOG_WARNING(function, "Unexpected empty value of [InstallLocation] product property of "
                              << productCode
                              << " Vesk installation. Fall back to heuristic home directory detection.");

    const std::int32_t type = bundle.type;
    const UninstallValues uninstall(productCode);
    try {
        traceTry("ProductIcon", "product property", productCode);
        std::wstring icon = msi::tryGetWideProperty(productCode, "ProductIcon");
        std::string source = "ProductIcon";
        if (icon.empty()) {
            traceTry("DisplayIcon", "registry value", productCode);
            icon = uninstall.get("DisplayIcon");
            source = "DisplayIcon";
        }
        home = homeFromFileValue(icon, source, productCode, type);
    }
    VDS_CATCH_AND_LOG(function)
    if (!home.empty()) {
        return home;
    }

    try {
        traceTry("Readme", "registry value", productCode);
        home = homeFromFileValue(uninstall.get("Readme"), "Readme", productCode, type);
    }
    VDS_CATCH_AND_LOG(function)
    if (!home.empty()) {
        return home;
    }

    if (!bundle.version.hasFamily()) {
        LOG_TRACE(function,
                  "No version key of " << productCode << " Vesk installation while its version is unknown.");
        return home;
    }
    try {
        traceTry("VeskHome", "registry value", productCode);
        home = homeFromValue(bundle.getVersionKeyWideValue("VeskHome"), "VeskHome", productCode);
    }
    VDS_CATCH_AND_LOG(function)
    return home;
}

}  // namespace HomeDirDetection

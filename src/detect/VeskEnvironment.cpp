#include "detect/VeskEnvironment.h"

#include <stdexcept>

#include "detect/Bundle.h"
#include "detect/GroupTracker.h"
#include "detect/HomeDirDetection.h"
#include "detect/KnownProductCodeInstalledVeskTracker.h"
#include "detect/MsiUtils.h"
#include "detect/NuformUpgradeCodeInstalledVeskTracker.h"
#include "detect/ProductPackage.h"
#include "detect/ProductRegistry.h"
#include "detect/TrackedProduct.h"
#include "detect/VersionDetection.h"
#include "diag/CatchAndLog.h"
#include "diag/Logger.h"
#include "diag/TraceScope.h"
#include "diag/VdsError.h"
#include "diag/tstrings.h"
#include "platform/FileUtils.h"

namespace {

using AllProductsTracker =
    GroupTracker<KnownProductCodeInstalledVeskTracker, NuformUpgradeCodeInstalledVeskTracker>;

const char* typeName(std::int32_t type) {
    switch (type) {
        case TrackedProduct::VRE:
            return "VRE";
        case TrackedProduct::VESK_FX:
            return "VESK_FX";
        case TrackedProduct::VDK:
            return "VDK";
        default:
            return "Unknown";
    }
}

std::int32_t getArch(std::int32_t bits) {
    if (bits != 32 && bits != 64) {
        VDS_THROW(std::runtime_error, "getArch", "Unknown bits value: " + tstrings::toDecimal(bits));
    }
    return bits;
}

// Fills in what the tracker could not tell.
void completeTypeAndBits(TrackedProduct& product) {
    if (product.type == TrackedProduct::unknownType) {
        product.type = VeskEnvironment::detectType(product.productCode);
    }
    if (product.bits == TrackedProduct::unknownBits) {
        product.bits = VeskEnvironment::detectBits(product.productCode);
    }
}

// The product code text as the installer's calls got it, read as a GUID: each byte is
// one character.
Guid productCodeFromText(const std::string& text) {
    std::wstring wide;
    for (const char c : text) {
        wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
    }
    return Guid(wide);
}

}  // namespace

VeskEnvironment::InstalledVesks VeskEnvironment::detect() {
    TRACE_SCOPE("VeskEnvironment::detect");
    InstalledVesks products;
    AllProductsTracker tracker;
    while (const TrackedProduct* tracked = tracker.next()) {
        TrackedProduct product = *tracked;
        if (product.uninstaller == nullptr) {
            product.uninstaller = &Uninstaller::shared();
        }
        LOG_TRACE("VeskEnvironment::detect",
                  "Installed Vesk detected:"
                      << " version=" << product.version.text() << "; arch=" << product.bits
                      << "; productCode=" << product.productCode << "; type=" << product.type);
        try {
            completeTypeAndBits(product);
            if ((product.bits != 32 && product.bits != 64) ||
                (product.type != TrackedProduct::VRE && product.type != TrackedProduct::VDK)) {
                continue;
            }
            products.push_back(getInstalledVesk(product));
        }
        VDS_CATCH_AND_LOG("VeskEnvironment::detect")
    }
    return products;
}

InstalledVesk VeskEnvironment::getInstalledVesk(const TrackedProduct& tracked) {
    TrackedProduct product = tracked;
    completeTypeAndBits(product);

    InstalledVesk record;
    record.bundle.type = Bundle::getType(product.type);
    record.bundle.arch = getArch(product.bits);
    record.bundle.version = product.version;
    record.productCode = productCodeFromText(product.productCode);
    record.uninstaller = product.uninstaller != nullptr ? product.uninstaller : &Uninstaller::shared();
    record.homeDir =
        FileUtils::normalizePath(HomeDirDetection::detectHomeDir(product.productCode, record.bundle));

    VeskVersion& version = record.bundle.version;
    ProductPackage package(product.productCode);
    if (!record.homeDir.empty() && record.bundle.type != Bundle::VDK) {
        version = VersionDetection::adjustVersion(product.productCode, version, record.homeDir);
    }
    if (version.knownSlots() < VeskVersion::Slots().size()) {
        version = VersionDetection::detectFullVersion(product.productCode, version, record.homeDir, package);
    }
    if (!version.hasFamily()) {
        // No source told the version: paths and comparisons of every later step need it.
        VDS_THROW(
            std::runtime_error, "getInstalledVesk",
            "The version of " + product.productCode + " Vesk installation is unknown after every source");
    }
    record.mode = record.bundle.type == Bundle::VRE ? detectVreMode(product.productCode, record.bundle)
                                                    : InstalledVesk::noMode;

    LOG_TRACE(
        "getInstalledVesk",
        "InstalledVesk(" << version.toString() << "|"
                         << (version.knownSlots() == VeskVersion::Slots().size() ? version.text()
                                                                                 : "Full version unknown")
                         << "|" << typeName(record.bundle.type) << "|" << record.bundle.arch << "bit"
                         << "|" << record.homeDir << "|" << product.productCode << "|" << record.mode << ")");
    return record;
}

std::int32_t VeskEnvironment::detectType(const std::string& productCode) {
    LOG_TRACE("detectType", "Detect type of " << productCode << " Vesk installation");
    const std::string name = msi::getProperty(productCode, "ProductName");
    return name.find("Vesk SE Development Kit") != std::string::npos ? TrackedProduct::VDK
                                                                     : TrackedProduct::VRE;
}

std::int32_t VeskEnvironment::detectBits(const std::string& productCode) {
    LOG_TRACE("detectBits", "Detect arch of " << productCode << " Vesk installation");
    return ProductRegistry::detectBits(productCode);
}

std::int32_t VeskEnvironment::detectVreMode(const std::string& productCode, const Bundle& bundle) {
    LOG_TRACE("detectVreMode", "Detect mode of " << productCode << " Vesk installation");
    try {
        // The package always writes the mode; a record without it was damaged, which the
        // log must show rather than pass over. A value of another type throws, and is
        // logged, below.
        const std::string name = bundle.versionKeyPath() + "\\MSI\\MODE";
        if (!bundle.getRootKey().hasValue(name)) {
            LOG_WARNING("detectVreMode", "No value [" << name << "] of " << productCode
                                                      << " Vesk installation; it is taken for the ordinary mode");
            return InstalledVesk::ordinaryMode;
        }
        if (tstrings::equalsIgnoreCase(bundle.getRootKey().getString(name), "S")) {
            return InstalledVesk::sMode;
        }
    }
    VDS_CATCH_AND_LOG("detectVreMode")
    return InstalledVesk::ordinaryMode;
}

const InstalledVesk& VeskEnvironment::getByProductCode(const InstalledVesks& products,
                                                       const Guid& productCode) {
    for (const InstalledVesk& product : products) {
        if (product.productCode == productCode) {
            return product;
        }
    }
    VDS_THROW(
        std::runtime_error, "VeskEnvironment::getByProductCode",
        "No matching Vesk found for " + productCode.toString() + " Product Code in the given products range");
}

InstalledVesk VeskEnvironment::selectByProductCode(const InstalledVesks& products,
                                                   const std::string& productCode) {
    return getByProductCode(products, productCodeFromText(productCode));
}

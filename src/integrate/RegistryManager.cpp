#include "integrate/RegistryManager.h"

#include <algorithm>
#include <map>
#include <stdexcept>
#include <vector>

#include "detect/HomePath.h"
#include "detect/InstalledVesksVerifier.h"
#include "diag/CatchAndLog.h"
#include "diag/Logger.h"
#include "diag/TraceScope.h"
#include "diag/VdsError.h"
#include "integrate/ProductView.h"
#include "platform/FileUtils.h"
#include "platform/Registry.h"
#include "platform/SysInfo.h"

namespace {

const std::string makerRoot = "Software\\VeskSoft";
const std::string legacyVreRoot = "Software\\VeskSoft\\Vesk Runtime Environment";
const std::string updateSettings = "Software\\VeskSoft\\Vesk Update";
const std::string settings2D = "Software\\VeskSoft\\Vesk2D";
const std::string applications = "Software\\Classes\\Applications\\";
const std::string vpkFileType = "Software\\Classes\\vpkfile";
const std::string vpkExtension = "Software\\Classes\\.vpk";
const char* const hostExecutables[] = {"vesk.exe", "veskw.exe"};

bool isNuform(const VeskVersion& version) { return version.tag() == VeskVersionDetails::nuformTag; }

[[noreturn]] void invalidArgument(const char* message) {
    VDS_THROW(std::invalid_argument, "RegistryManager::synchRegistry", message);
}

// Removes every sub-key of `key` that is named after none of the products' versions
// (without build). Only empty keys go; a key that cannot be deleted stays silently.
void deleteStaleSubkeys(const Registry& key, std::span<const InstalledVesk> products) {
    std::vector<std::string> kept;
    for (const InstalledVesk& product : products) {
        kept.push_back(product.bundle.version.withoutBuild().toString());
    }
    std::sort(kept.begin(), kept.end());
    std::vector<std::string> names = key.getSubkeyNames();
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        if (!std::binary_search(kept.begin(), kept.end(), name)) {
            key.deleteSubkey(name);
        }
    }
}

// Copies a REG_SZ or REG_EXPAND_SZ value with its type, read and written wide so that
// no character is lost to the ANSI code page.
void CopyRegistryStringValue(const Registry& source, const Registry& target, const std::string& name) {
    try {
        DWORD type = REG_NONE;
        if (!source.hasValue(name, &type)) {
            LOG_TRACE("CopyRegistryStringValue",
                      "No [" << source.path() << "\\" << name << "] value to copy");
            return;
        }
        if (type == REG_SZ) {
            target.setWideString(name, source.getWideString(name));
        } else if (type == REG_EXPAND_SZ) {
            target.setWideExpandString(name, source.getWideString(name));
        } else {
            LOG_WARNING("CopyRegistryStringValue", "Value [" << source.path() << "\\" << name << "] is "
                                                             << Registry::typeName(type)
                                                             << ", not a string; not copied");
        }
    }
    VDS_CATCH_AND_LOG("CopyRegistryStringValue")
}

// The product of the highest version, the first one on a tie.
const InstalledVesk* highest(const std::vector<const InstalledVesk*>& products) {
    const InstalledVesk* best = nullptr;
    for (const InstalledVesk* product : products) {
        if (best == nullptr || best->bundle.version < product->bundle.version) {
            best = product;
        }
    }
    return best;
}

}  // namespace

void RegistryManager::onNoProducts(const InstallConfigData& config) {
    onNoVre(config);
    onNoVdk(config);
    for (const char* executable : hostExecutables) {
        Registry::HKLM64.deleteKeyTree(applications + executable);
    }
}

void RegistryManager::onProducts(const ProductView& view, const InstallConfigData&,
                                 const InstalledVesk* changed) {
    if (changed != nullptr && view.operation() == VeskSetupManager::Install) {
        removeTrailingSlashFromVeskHomeKey(*changed);
    }
    const bool x64 = SysInfo::isNativeX64();
    synchSlot(view, Bundle::VRE, 32);
    synchSlot(view, Bundle::VDK, 32);
    if (x64) {
        synchSlot(view, Bundle::VRE, 64);
        synchSlot(view, Bundle::VDK, 64);
    }
    cleanUpForAllUsers(Registry::HKCU32, view);
    if (x64) {
        cleanUpForAllUsers(Registry::HKCU64, view);
    }
    if (!view.all().empty()) {
        for (const char* executable : hostExecutables) {
            registerHostProcess(executable);
        }
    }
    updateVpkFileAssociation(view.currentVre());
    if (!view.hasArch(64)) {
        if (x64) {
            cleanArchKeys(64);
        }
        if (!view.hasArch(32)) {
            cleanArchKeys(32);
        }
    }
}

void RegistryManager::synchSlot(const ProductView& view, std::int32_t type, std::int32_t arch) {
    std::vector<InstalledVesk> legacy;
    std::vector<InstalledVesk> nuform;
    for (const InstalledVesk& product : view.group(type, arch)) {
        (isNuform(product.bundle.version) ? nuform : legacy).push_back(product);
    }
    const std::optional<InstalledVesk>& latest = view.latest(type, arch);
    const bool latestIsNuform = latest && isNuform(latest->bundle.version);
    synchRegistry(legacy, Bundle{type, arch, VeskVersion("1.8.0")},
                  latest && !latestIsNuform ? &*latest : nullptr);
    synchRegistry(nuform, Bundle{type, arch, VeskVersion("9")}, latestIsNuform ? &*latest : nullptr);
}

void RegistryManager::removeTrailingSlashFromVeskHomeKey(const InstalledVesk& product) {
    try {
        const Registry key(product.bundle.getRootKey(), product.bundle.versionKeyPath(), Registry::Modify);
        DWORD type = REG_NONE;
        const std::wstring home = key.getWideString("VeskHome", &type);
        const std::wstring trimmed = HomePath::withoutTrailingSeparators(home);
        if (trimmed == home) {
            return;
        }
        if (type == REG_EXPAND_SZ) {
            key.setWideExpandString("VeskHome", trimmed);
        } else {
            key.setWideString("VeskHome", trimmed);
        }
    }
    VDS_CATCH_AND_LOG("RegistryManager::removeTrailingSlashFromVeskHomeKey")
}

void RegistryManager::synchRegistry(std::span<const InstalledVesk> products, const Bundle& templateBundle,
                                    const InstalledVesk* current) {
    VeskEnvironment::InstalledVesksVerifier verifier;
    verifier.productCodesUnique = true;
    verifier.allowedTypes = {templateBundle.type};
    verifier.allowedArchs = {templateBundle.arch};
    verifier(std::vector<InstalledVesk>(products.begin(), products.end()));

    const bool nuformTemplate = isNuform(templateBundle.version);
    if (std::any_of(products.begin(), products.end(),
                    [&](const InstalledVesk& p) { return isNuform(p.bundle.version) != nuformTemplate; })) {
        invalidArgument("Unexpected items in 'instaledVesks' parameter");
    }
    if (current != nullptr) {
        if (current->bundle.type != templateBundle.type || current->bundle.arch != templateBundle.arch) {
            invalidArgument("Unexpected type of 'current' parameter");
        }
        if (std::none_of(products.begin(), products.end(),
                         [&](const InstalledVesk& p) { return p.productCode == current->productCode; })) {
            invalidArgument("Unexpected value of 'current' parameter");
        }
    }

    try {
        const Registry& root = templateBundle.getRootKey();
        const std::string productRoot = templateBundle.rootKeyPath();
        if (products.empty()) {
            root.deleteKeyTree(productRoot);
            return;
        }
        if (root.hasSubkey(productRoot)) {
            deleteStaleSubkeys(Registry(root, productRoot, Registry::Modify), products);
        }

        // Values are copied only from products whose home is known: the others are
        // installed, so their keys stay, but nothing may point at them.
        std::map<VeskVersion, std::vector<const InstalledVesk*>> families;
        for (const InstalledVesk& product : products) {
            if (ProductView::hasUsableHome(product)) {
                families[product.bundle.version.family()].push_back(&product);
            }
        }
        std::vector<const InstalledVesk*> winners;
        for (const auto& [family, members] : families) {
            winners.push_back(highest(members));
            updateCurrentFamilyVersion(*winners.back());
        }
        if (current == nullptr) {
            current = highest(winners);
        }
        if (current == nullptr) {
            return;
        }
        const VeskVersion& version = current->bundle.version;
        const VeskVersion shown = isNuform(version) ? version.withoutBuild() : version.family();
        current->bundle.getRootKey().setString(current->bundle.rootKeyPath() + "\\CurrentVersion",
                                               shown.toString());
    }
    VDS_CATCH_AND_LOG("RegistryManager::synchRegistry")
}

void RegistryManager::updateCurrentFamilyVersion(const InstalledVesk& product) {
    TRACE_SCOPE("RegistryManager::updateCurrentFamilyVersion");
    if (isNuform(product.bundle.version)) {
        return;
    }
    try {
        const Registry& root = product.bundle.getRootKey();
        const Registry family(root, product.bundle.familyKeyPath(), Registry::Write);
        const Registry source(root, product.bundle.versionKeyPath(), Registry::Read);
        for (const char* name : {"RuntimeLib", "VeskHome", "MicroVersion"}) {
            CopyRegistryStringValue(source, family, name);
        }
    }
    VDS_CATCH_AND_LOG("RegistryManager::updateCurrentFamilyVersion")
}

void RegistryManager::cleanUpForAllUsers(const Registry& root, const ProductView& view) {
    try {
        const std::span<const InstalledVesk> vres = view.ofType(Bundle::VRE);
        for (const std::string& name : root.getSubkeyNames()) {
            const Registry user(root, name, Registry::Modify);
            if (view.all().empty()) {
                user.deleteKeyTree(makerRoot);
            }
            if (user.hasSubkey(legacyVreRoot)) {
                if (vres.empty()) {
                    user.deleteKeyTree(legacyVreRoot);
                } else {
                    deleteStaleSubkeys(Registry(user, legacyVreRoot, Registry::Modify), vres);
                }
            }
            if (vres.empty()) {
                user.deleteKeyTree(updateSettings);
            }
            if (user.hasSubkey(settings2D)) {
                deleteStaleSubkeys(Registry(user, settings2D, Registry::Modify), view.all());
            }
        }
    }
    VDS_CATCH_AND_LOG("RegistryManager::cleanUpForAllUsers")
}

void RegistryManager::registerHostProcess(const std::string& executable) {
    try {
        Registry::HKLM64.setString(applications + executable + "\\IsHostApp", "");
    }
    VDS_CATCH_AND_LOG("RegistryManager::registerHostProcess")
}

void RegistryManager::updateVpkFileAssociation(const std::optional<InstalledVesk>& currentVre) {
    TRACE_SCOPE("RegistryManager::updateVpkFileAssociation");
    try {
        if (!currentVre) {
            Registry::HKLM64.deleteKeyTree(vpkFileType, Registry::throwing);
            Registry::HKLM64.deleteKeyTree(vpkExtension, Registry::throwing);
            return;
        }
        const std::string launcher =
            FileUtils::join(FileUtils::join(currentVre->homeDir, "bin"), "veskw.exe");
        Registry(Registry::HKLM64, vpkFileType, Registry::Write).setString("", "Executable Vpk File");
        Registry(Registry::HKLM64, vpkFileType + "\\shell\\open\\command", Registry::Write)
            .setString("", "\"" + launcher + "\" -vpk \"%1\" %*");
        Registry(Registry::HKLM64, vpkExtension, Registry::Write).setString("", "vpkfile");
    }
    VDS_CATCH_AND_LOG("RegistryManager::updateVpkFileAssociation")
}

void RegistryManager::cleanArchKeys(int arch) {
    try {
        const Registry& root = arch == 32 ? Registry::HKLM32 : Registry::HKLM64;
        if (!root.hasSubkey(makerRoot)) {
            return;
        }
        const Registry maker(root, makerRoot, Registry::Modify);
        const std::vector<std::string> values = maker.getValueNames();
        const std::vector<std::string> subkeys = maker.getSubkeyNames();
        if (std::find(subkeys.begin(), subkeys.end(), "Prefs") == subkeys.end()) {
            root.deleteKeyTree(makerRoot);
            return;
        }
        for (const std::string& subkey : subkeys) {
            if (subkey != "Prefs") {
                maker.deleteKeyTree(subkey);
            }
        }
        for (const std::string& value : values) {
            maker.deleteValue(value);
        }
    }
    VDS_CATCH_AND_LOG("RegistryManager::cleanArchKeys")
}

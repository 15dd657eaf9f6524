#include "integrate/AccessBridgeManager.h"

#include <windows.h>

#include <utility>

#include "diag/Logger.h"
#include "diag/TraceScope.h"
#include "integrate/ProductView.h"
#include "integrate/VabFiles.h"
#include "platform/CleanupList.h"
#include "platform/FileUtils.h"
#include "platform/Registry.h"
#include "platform/SysInfo.h"
#include "win/Resource.h"

namespace {

constexpr UINT descriptionText = 1020;
constexpr UINT applicationNameText = 1021;

// What assistive technologies the bridge serves.
constexpr const char* profile =
    "<HCIModel>"
    "<Accommodation type=\"mild vision\"/>"
    "<Accommodation type=\"severe vision\"/>"
    "<Accommodation type=\"mild cognitive\"/>"
    "<Accommodation type=\"severe cognitive\"/>"
    "</HCIModel>";

const VeskVersion& minimumVersion() {
    static const VeskVersion version("1.7.0_06");
    return version;
}

// From this feature release on a development kit may provide the bridge.
const VeskVersion& firstProvidingVdk() {
    static const VeskVersion version("11");
    return version;
}

}  // namespace

const char* const AccessBridgeManager::registrationKey =
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Accessibility\\ATs\\Veyra_VeskAccessBridge";

std::optional<InstalledVesk> AccessBridgeManager::bridgeProvider(const InstalledVeskTable& latest) {
    const std::optional<InstalledVesk> vre = ProductView::current(latest, Bundle::VRE);
    const std::optional<InstalledVesk> vdk = ProductView::current(latest, Bundle::VDK);
    if (!vdk || vdk->bundle.version < firstProvidingVdk()) {
        return vre;
    }
    if (!vre) {
        return vdk;
    }
    return vre->bundle.version < vdk->bundle.version ? vdk : vre;
}

bool AccessBridgeManager::isSupported(const InstalledVesk& product) {
    if (product.bundle.version < minimumVersion()) {
        LOG_WARNING("AccessBridgeManager::isSupported",
                    "Vesk version=" << product.bundle.version.text()
                                    << " doesn't support Access Bridge. The minimal supported version is "
                                    << minimumVersion().text());
        return false;
    }
    return true;
}

std::string AccessBridgeManager::switchProgram(const InstalledVesk& product) {
    return FileUtils::join(VabFiles::runtimeFolder(product), "bin\\vabswitch.exe");
}

std::string AccessBridgeManager::systemCopyPath(int destinationArch, int sourceArch) {
    InstalledVesk source;
    source.bundle.arch = sourceArch;
    const std::string library = FileUtils::basename(VabFiles::getVabFiles(source).front());
    const bool wow64Folder = SysInfo::isNativeX64() && destinationArch == 32;
    return FileUtils::join(wow64Folder ? SysInfo::getSystemWow64Directory() : SysInfo::getSystemDirectory(),
                           library);
}

void AccessBridgeManager::onProducts(const ProductView& view, const InstallConfigData&,
                                     const InstalledVesk*) {
    deleteVABFilesFromSystem();
    cleanAccessBridgeRegistry();
    const std::optional<InstalledVesk> provider = bridgeProvider(view.latest());
    if (!provider || !isSupported(*provider)) {
        return;
    }
    for (const int arch : {32, 64}) {
        const std::optional<InstalledVesk> archProvider = bridgeProvider(latestOfArch(view.latest(), arch));
        if (archProvider && isSupported(*archProvider)) {
            copyVabDllToSystem(*archProvider);
        }
    }
    setAccessBridgeRegistry(*provider);
}

void AccessBridgeManager::copyVabDllToSystem(const InstalledVesk& product) {
    TRACE_SCOPE("AccessBridgeManager::copyVabDllToSystem");
    const std::string switcher = switchProgram(product);
    if (GetFileAttributesA(switcher.c_str()) == INVALID_FILE_ATTRIBUTES) {
        LOG_WARNING("AccessBridgeManager::copyVabDllToSystem",
                    "Not registering Vesk=" << product.bundle.version.text() << " for AccessBridge, as "
                                            << switcher << " doesn't exist.");
        return;
    }
    const std::string library =
        FileUtils::join(VabFiles::runtimeFolder(product), VabFiles::getVabFiles(product).front());
    FileUtils::copyPersistentFile(library, systemCopyPath(product.bundle.arch, product.bundle.arch));
}

void AccessBridgeManager::deleteVABFilesFromSystem() {
    TRACE_SCOPE("AccessBridgeManager::deleteVABFilesFromSystem");
    std::vector<std::pair<int, int>> copies{{32, 32}};
    if (SysInfo::isNativeX64()) {
        copies.insert(copies.end(), {{64, 64}, {64, 32}, {32, 64}});
    }
    for (const auto& [destination, source] : copies) {
        FileUtils::deleteNowOrAtReboot(systemCopyPath(destination, source));
    }
}

void AccessBridgeManager::cleanAccessBridgeRegistry() {
    TRACE_SCOPE("AccessBridgeManager::cleanAccessBridgeRegistry");
    Registry::HKLM64.deleteKeyTree(registrationKey);
}

void AccessBridgeManager::setAccessBridgeRegistry(const InstalledVesk& provider) {
    TRACE_SCOPE("AccessBridgeManager::setAccessBridgeRegistry");
    const Registry key(Registry::HKLM64, registrationKey, Registry::Write);
    key.setString("StartExe", switchProgram(provider));
    // The texts of the user interface language as they are: the wide call keeps what the
    // ANSI code page does not hold.
    key.setWideString("ApplicationName", Resource(applicationNameText, nullptr).getWideString());
    key.setWideString("Description", Resource(descriptionText, nullptr).getWideString());
    key.setString("Profile", profile);
    key.setString("SimpleProfile", "screenreader");
    key.setString("StartParams", "-enable");
}

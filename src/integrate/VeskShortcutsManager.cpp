#include "integrate/VeskShortcutsManager.h"

#include <windows.h>

#include <stdexcept>

#include "config/InstallConfigData.h"
#include "diag/CatchAndLog.h"
#include "diag/Logger.h"
#include "diag/TraceScope.h"
#include "diag/VdsError.h"
#include "diag/tstrings.h"
#include "integrate/ProductView.h"
#include "platform/CleanupList.h"
#include "platform/FileUtils.h"
#include "platform/SysInfo.h"
#include "win/ComInitializer.h"
#include "win/Resource.h"

namespace {

constexpr int commonPrograms = 0x17;  // CSIDL_COMMON_PROGRAMS
constexpr LANGID english = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

const VeskVersion& minimumVersion() {
    static const VeskVersion version("1.7.0_40");
    return version;
}

// From this version on web links are internet shortcuts; before it every shortcut is a
// shell link.
const VeskVersion& firstVersionWithUrlFiles() {
    static const VeskVersion version("1.8.0_60");
    return version;
}

std::string binFile(const InstalledVesk& product, const char* name) {
    return FileUtils::join(FileUtils::join(product.homeDir, "bin"), name);
}

// A shortcut's name and description from the string table. Both end up in the ANSI code
// page (the shell link's texts and the file name are ANSI): when the texts of the user
// interface language do not all have an exact form there, the shortcut takes the English
// texts, so that no question marks stand in a file name or a description.
Shortcut described(UINT nameId, UINT descriptionId) {
    Shortcut shortcut;
    if (tstrings::toAnsiExact(Resource(nameId, nullptr).getWideString(), shortcut.name) &&
        tstrings::toAnsiExact(Resource(descriptionId, nullptr).getWideString(), shortcut.description)) {
        return shortcut;
    }
    LOG_WARNING("VeskShortcutsManager::updateShortcuts",
                "The texts " << nameId << " and " << descriptionId
                             << " of the user interface language do not fit the ANSI code page " << GetACP()
                             << "; the shortcut takes the English texts");
    shortcut.name = Resource(nameId, nullptr, RT_STRING, english).getString();
    shortcut.description = Resource(descriptionId, nullptr, RT_STRING, english).getString();
    return shortcut;
}

Shortcut described(UINT nameId, UINT descriptionId, std::string target, std::string arguments = {}) {
    Shortcut shortcut = described(nameId, descriptionId);
    shortcut.target = std::move(target);
    shortcut.arguments = std::move(arguments);
    return shortcut;
}

std::vector<Shortcut> vreShortcuts(const InstalledVesk& product) {
    const std::string controlPanel = binFile(product, "veskcpl.exe");
    const std::string site = VeskShortcutsManager::webSite;
    return {
        described(1022, 1023, site),
        described(1024, 1025, site + "/help"),
        described(1026, 1027, controlPanel),
        described(1028, 1029, controlPanel, "-tab update"),
        described(1030, 1031, controlPanel, "-tab about"),
    };
}

// One failing shortcut is logged; the others are still made.
bool createdOrLogged(const Shortcut& shortcut) {
    try {
        shortcut.create();
        return true;
    }
    VDS_CATCH_AND_LOG("VeskShortcutsManager::updateShortcuts")
    return false;
}

void warnUnsupported(const VeskVersion& version, const std::string& reason) {
    LOG_WARNING("VeskShortcutsManager::ProductShortcuts::isSupported",
                "Vesk version=" << version.text() << " doesn't support Start Menu shortcuts." << reason);
}

}  // namespace

const char* const VeskShortcutsManager::webSite = "https://vesk.com";
const char* const VeskShortcutsManager::documentationSite = "https://docs.vesk.com";

VeskShortcutsManager::ProductShortcuts::ProductShortcuts(std::int32_t type,
                                                         const std::optional<InstalledVesk>& current)
    : type_(type), current_(current) {
    if (current_ && current_->bundle.type != type_) {
        VDS_THROW(std::invalid_argument, "VeskShortcutsManager::ProductShortcuts::ProductShortcuts",
                  "inconsistent arguments");
    }
}

bool VeskShortcutsManager::ProductShortcuts::isSupported(const InstallConfigData& config) const {
    if (!current_) {
        return false;
    }
    const VeskVersion& version = current_->bundle.version;
    if (version < minimumVersion()) {
        warnUnsupported(version, " The minimal supported version is " + minimumVersion().text());
        return false;
    }
    const bool disabled = type_ == Bundle::VRE ? config.IsKeyOn(BoolKey::NOSTARTMENU)
                          : type_ == Bundle::VDK
                              ? current_->bundle.getVersionKeyValue("MSI\\NOSTARTMENU") == "1"
                              : false;
    if (disabled) {
        warnUnsupported(version, " They are disabled with install configuration.");
        return false;
    }
    return type_ == Bundle::VRE || type_ == Bundle::VDK;
}

void VeskShortcutsManager::onNoVre(const InstallConfigData&) { removeShortcuts(Bundle::VRE); }

void VeskShortcutsManager::onNoVdk(const InstallConfigData&) { removeShortcuts(Bundle::VDK); }

void VeskShortcutsManager::onProducts(const ProductView& view, const InstallConfigData& config,
                                      const InstalledVesk*) {
    if (view.all().empty()) {
        return;  // onNoProducts removes both folders
    }
    for (const std::int32_t type : {Bundle::VRE, Bundle::VDK}) {
        const ProductShortcuts shortcuts(type, type == Bundle::VRE ? view.currentVre() : view.currentVdk());
        if (shortcuts.isSupported(config)) {
            updateShortcuts(*shortcuts.current());
        } else {
            removeShortcuts(type);
        }
    }
}

std::string VeskShortcutsManager::folderOf(std::int32_t type) {
    return FileUtils::join(SysInfo::SHGetFolderPathAdapter(commonPrograms, 0),
                           type == Bundle::VRE ? "Vesk" : "Vesk Development Kit");
}

bool VeskShortcutsManager::updateShortcuts(const InstalledVesk& product) {
    TRACE_SCOPE("VeskShortcutsManager::updateShortcuts");
    const ComInitializer com;
    const std::string defaultIcon = binFile(product, "vesk.exe");
    const std::string extension = product.bundle.version < firstVersionWithUrlFiles() ? ".lnk" : "";

    std::vector<Shortcut> shortcuts;
    if (product.bundle.type == Bundle::VRE) {
        shortcuts = vreShortcuts(product);
    } else if (product.bundle.type == Bundle::VDK) {
        shortcuts = copyVdkShortcuts(product);
    } else {
        return true;
    }

    const std::string folder = folderOf(product.bundle.type);
    if (FileUtils::isReparsePoint(folder)) {
        // Shortcuts are never written through a link into a folder that is not ours.
        LOG_WARNING("VeskShortcutsManager::updateShortcuts",
                    "[" << folder << "] is a link (reparse point); it is removed and made a folder");
        FileUtils::deleteDirectory(folder);
    }
    FileUtils::createDirs(folder);
    FileUtils::deleteFilesIn(folder);

    bool created = true;
    for (Shortcut& shortcut : shortcuts) {
        shortcut.folder = folder;
        shortcut.extension = extension;
        if (shortcut.icon.empty()) {
            shortcut.icon = defaultIcon;
        }
        created = createdOrLogged(shortcut) && created;
    }
    return created;
}

void VeskShortcutsManager::removeShortcuts(std::int32_t type) {
    TRACE_SCOPE("VeskShortcutsManager::removeShortcuts");
    if (type != Bundle::VRE && type != Bundle::VDK) {
        return;
    }
    CleanupList folder(false);
    folder.addTree(folderOf(type));
}

std::vector<Shortcut> VeskShortcutsManager::copyVdkShortcuts(const InstalledVesk& product) {
    const VeskVersion& version = product.bundle.version;
    if (!version.hasFamily()) {
        VeskVersion::throwUnrecognizedVersionType();
    }
    // The major version: the minor number of a legacy version (8 of 1.8.0), the feature
    // number of a Nuform one (17 of 17.0.2).
    std::vector<Shortcut> shortcuts{described(
        1034, 1035,
        std::string(documentationSite) + "/veskse/" + tstrings::toDecimal(version.slot(1)) + "/docs")};
    const std::string console = binFile(product, "vmc.exe");
    if (GetFileAttributesA(console.c_str()) == INVALID_FILE_ATTRIBUTES) {
        LOG_WARNING("VeskShortcutsManager::copyVdkShortcuts",
                    console << " not found. Not adding VMC shortcut.");
        return shortcuts;
    }
    Shortcut profilingConsole = described(1036, 1037, console);
    profilingConsole.icon = console;
    shortcuts.push_back(profilingConsole);
    return shortcuts;
}

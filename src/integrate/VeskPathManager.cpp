#include "integrate/VeskPathManager.h"

#include <windows.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "diag/CatchAndLog.h"
#include "diag/ErrorText.h"
#include "diag/Logger.h"
#include "diag/tstrings.h"
#include "integrate/ProductView.h"
#include "platform/CleanupList.h"
#include "platform/FileUtils.h"
#include "platform/FileUtilsLinks.h"
#include "platform/Registry.h"
#include "platform/SecurityDescriptor.h"
#include "platform/SysInfo.h"

namespace {

constexpr const char* environmentKey = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
constexpr const char* pathValue = "Path";
constexpr const char* relativeVeskpath = "Veyra\\Vesk\\veskpath";
constexpr const char* targetMark = "_target_";
constexpr const char* const launchers[] = {"vesk.exe", "veskw.exe", "veskws.exe"};
constexpr DWORD targetCandidates = 10000;

constexpr int commonProgramFiles = 0x2B;     // CSIDL_PROGRAM_FILES_COMMON
constexpr int commonProgramFilesX86 = 0x2C;  // CSIDL_PROGRAM_FILES_COMMONX86

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// "Path" as text of UTF-16 entries: other programs put folders there whose names the
// ANSI code page does not hold, and those must come back as they were.
std::vector<std::wstring> splitEntries(const std::wstring& path) {
    std::vector<std::wstring> entries;
    std::wstring::size_type start = 0;
    for (;;) {
        const std::wstring::size_type end = path.find(L';', start);
        entries.push_back(path.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
        if (end == std::wstring::npos) {
            return entries;
        }
        start = end + 1;
    }
}

std::wstring joinEntries(const std::vector<std::wstring>& entries) {
    std::wstring path;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        path += (i == 0 ? L"" : L";") + entries[i];
    }
    return path;
}

std::wstring lowerCase(std::wstring text) {
    CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

bool sameEntry(const std::wstring& a, const std::wstring& b) { return lowerCase(a) == lowerCase(b); }

std::wstring wide(const std::string& ansi) { return tstrings::toUtf16(ansi, CP_ACP); }

Registry openEnvironment() { return Registry(Registry::HKLM, environmentKey, Registry::Write); }

void writePath(const Registry& environment, const std::wstring& path) {
    environment.setWideExpandString(pathValue, path);
    VeskPathManager::NotifySytemChanges();
}

void secure(const std::string& folder) {
    FileUtils::setPermissions(folder, security::commandPathDescriptor());
}

// The target folder that the junction `veskpath` leads to when it is one of ours: a
// folder beside it named veskpath + "_target_" + digits; nothing for any other link.
std::optional<std::string> ourTarget(const std::string& veskpath, const std::string& target,
                                     FileUtils::LinkKind kind) {
    if (kind != FileUtils::LinkKind::Junction) {
        return std::nullopt;
    }
    const std::wstring prefix = lowerCase(wide(veskpath + targetMark));
    const std::wstring named =
        lowerCase(tstrings::toUtf16(FileUtils::withoutTrailingSeparators(target), CP_UTF8));
    if (prefix.empty() || !named.starts_with(prefix) || named.size() == prefix.size()) {
        return std::nullopt;
    }
    const std::wstring digits = named.substr(prefix.size());
    if (!std::all_of(digits.begin(), digits.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; })) {
        return std::nullopt;
    }
    return veskpath + targetMark + std::string(digits.begin(), digits.end());
}

// Removes the junction `veskpath`; with its target folder and the launchers there when
// the target is one of ours, else (with a WARNING) only the link.
void deleteJunctionAndTarget(const std::string& veskpath) {
    constexpr const char* function = "VeskPathManager::DeleteSymlinksJunctionsAndveskpathDir";
    std::string target;
    FileUtils::LinkKind kind = FileUtils::LinkKind::SymbolicLink;
    try {
        target = FileUtils::getLinkTarget(veskpath, &kind);
    }
    VDS_CATCH_AND_LOG(function)
    const std::optional<std::string> ours = ourTarget(veskpath, target, kind);
    FileUtils::deleteJunction(veskpath);
    if (!ours) {
        LOG_WARNING(function, "[" << veskpath << "] was no junction to a target folder beside it (target ["
                                  << target << "]); only the link was removed");
        return;
    }
    for (const char* name : launchers) {
        const std::string file = FileUtils::join(*ours, name);
        try {
            if (exists(file)) {
                FileUtils::deleteNowOrAtReboot(file);
            } else {
                LOG_WARNING(function, "file " << file << " not found");
            }
        }
        VDS_CATCH_AND_LOG(function)
    }
    CleanupList targetFolder(true);
    targetFolder.addEmptyDir(*ours);
}

const VeskVersion& minimumVersion() {
    static const VeskVersion version("1.8.0_20");
    return version;
}

}  // namespace

std::string VeskPathManager::Location::full() const { return FileUtils::join(base, relative); }

VeskPathManager::Location VeskPathManager::veskpath() {
    const int folder = SysInfo::isNativeX64() ? commonProgramFilesX86 : commonProgramFiles;
    return Location{SysInfo::SHGetFolderPathAdapter(folder, 1), relativeVeskpath};
}

VeskPathManager::Location VeskPathManager::veskpath64() {
    return Location{SysInfo::getCommonProgramFiles64(), relativeVeskpath};
}

void VeskPathManager::onProducts(const ProductView& view, const InstallConfigData&, const InstalledVesk*) {
    if (!view.currentVreChanged()) {
        return;
    }
    const std::optional<InstalledVesk> currentVre = view.currentVre();
    if (!currentVre || currentVre->bundle.version < minimumVersion()) {
        removeFromPath();
        DeleteSymlinksJunctionsAndveskpathDir();
        return;
    }
    rebuildVeskpath(*currentVre);
}

void VeskPathManager::rebuildVeskpath(const InstalledVesk& currentVre) {
    const std::string folder = veskpath().full();
    if (exists(folder)) {
        DeleteSymlinksJunctionsAndveskpathDir();
    }
    FileUtils::createDirs(folder);
    secure(folder);
    CreateVeskpathJunction(currentVre);
    addToPath();
}

void VeskPathManager::CreateVeskpathJunction(const InstalledVesk& currentVre) {
    const std::string source = FileUtils::join(currentVre.homeDir, "bin");
    const std::string link = veskpath().full();

    const DWORD ticks = GetTickCount();
    std::string target;
    for (DWORD i = 0; i < targetCandidates; ++i) {
        target = link + targetMark + tstrings::toDecimal(ticks + i);
        if (!exists(target)) {
            break;
        }
    }
    LOG_INFO("VeskPathManager::CreateVeskpathJunction", "veskpath targetDir: " << target);

    FileUtils::createDirs(target);
    try {
        secure(target);
        for (const char* name : launchers) {
            FileUtils::copyFile(FileUtils::join(source, name), FileUtils::join(target, name), true);
        }
        FileUtils::createJunction(link, target);
    } catch (...) {
        // No junction leads to the new folder: left behind, it would only be in the way.
        FileUtils::tryDeleteTree(target);
        throw;
    }
}

void VeskPathManager::addToPath() {
    const Registry environment = openEnvironment();
    const std::wstring path = environment.getWideString(pathValue);
    const std::wstring entry = wide(veskpath().full());
    std::vector<std::wstring> entries = splitEntries(path);
    const auto isEntry = [&](const std::wstring& e) { return sameEntry(e, entry); };
    if (std::any_of(entries.begin(), entries.end(), isEntry)) {
        return;
    }

    if (SysInfo::isNativeX64()) {
        const std::wstring entry64 = wide(veskpath64().full());
        const auto after = std::find_if(entries.begin(), entries.end(),
                                        [&](const std::wstring& e) { return sameEntry(e, entry64); });
        if (after != entries.end()) {
            entries.insert(after + 1, entry);
            writePath(environment, joinEntries(entries));
            return;
        }
    }
    writePath(environment, entry + L";" + path);
}

void VeskPathManager::removeFromPath() {
    const Registry environment = openEnvironment();
    const std::wstring entry = wide(veskpath().full());
    std::wstring kept;
    for (const std::wstring& e : splitEntries(environment.getWideString(pathValue))) {
        if (!sameEntry(e, entry)) {
            kept += (kept.empty() ? L"" : L";") + e;
        }
    }
    writePath(environment, kept);
}

void VeskPathManager::NotifySytemChanges() {
    DWORD_PTR result = 0;
    if (SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"Environment"),
                            SMTO_ABORTIFHUNG, 5000, &result) == 0) {
        const DWORD code = GetLastError();
        LOG_ERROR("VeskPathManager::NotifySytemChanges", failedWith("SendMessageTimeout", code));
    }
}

void VeskPathManager::DeleteSymlinksJunctionsAndveskpathDir() {
    const Location location = veskpath();
    const std::string folder = location.full();
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        LOG_WARNING("VeskPathManager::DeleteSymlinksJunctionsAndveskpathDir",
                    "veskpath directory does not exist");
        return;
    }
    // veskpath and its parents below the base go at the end when they are empty.
    CleanupList emptyFolders(false);
    emptyFolders.addDirChain(location.base, location.relative);

    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        // An older layout: a real folder holding a link for each launcher. A name that is
        // not there (a folder left by a run that could not make its junction) is skipped.
        for (const char* name : launchers) {
            const std::string link = FileUtils::join(folder, name);
            if (exists(link)) {
                FileUtils::deleteSymLink(link);
            }
        }
        return;
    }
    deleteJunctionAndTarget(folder);
}

#include "support/FolderLink.h"

#include <windows.h>
#include <winioctl.h>

#include <vector>

#include "support/ChildProcess.h"

namespace testsupport {

namespace {

bool isFolderLink(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
           (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

using UnixFileName = char* (*)(const wchar_t*);

// Wine's Unix name of a Windows path; empty when unknown.
std::string unixName(UnixFileName convert, const std::string& path) {
    const std::wstring wide(path.begin(), path.end());
    char* name = convert(wide.c_str());
    if (name == nullptr) {
        return {};
    }
    const std::string result = name;
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

bool appearsWithin(const std::string& link, DWORD milliseconds) {
    const DWORD start = GetTickCount();
    while (!isFolderLink(link)) {
        if (GetTickCount() - start > milliseconds) {
            return false;
        }
        Sleep(20);
    }
    return true;
}

}  // namespace

std::string makeFolderLink(const std::string& link, const std::string& target) {
    constexpr DWORD unprivileged = 0x2;  // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
    if (CreateSymbolicLinkA(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY | unprivileged) &&
        isFolderLink(link)) {
        return {};
    }
    const DWORD symbolicLinkError = GetLastError();
    const auto convert = reinterpret_cast<UnixFileName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (convert == nullptr) {
        return "CreateSymbolicLinkA made no folder link (error " + std::to_string(symbolicLinkError) + ")";
    }
    const std::string unixLink = unixName(convert, link);
    const std::string unixTarget = unixName(convert, target);
    if (unixLink.empty() || unixTarget.empty() ||
        // Wine gives no handle for a Unix program that can be waited for, so the link's
        // appearance is watched for instead.
        !startDetached("/bin/ln -s " + quoteArgument(unixTarget) + " " + quoteArgument(unixLink)) ||
        !appearsWithin(link, 30000)) {
        return "neither CreateSymbolicLinkA nor a Unix symbolic link gave a folder link";
    }
    return {};
}

bool handleShowsReparsePoint(const std::string& link) {
    const HANDLE file = CreateFileA(
        link.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    const bool shown = GetFileInformationByHandle(file, &information) &&
                       (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    CloseHandle(file);
    return shown;
}

JunctionSupport probeJunctions(const std::string& folder) {
    const std::string link = folder + "\\probe-link";
    const std::string target = folder + "\\probe-target";
    CreateDirectoryA(link.c_str(), nullptr);
    CreateDirectoryA(target.c_str(), nullptr);
    const std::wstring substitute = L"\\??\\" + std::wstring(target.begin(), target.end());
    const std::wstring print(target.begin(), target.end());
    std::vector<BYTE> buffer(16384);
    const auto words = reinterpret_cast<WORD*>(buffer.data());
    *reinterpret_cast<DWORD*>(buffer.data()) = IO_REPARSE_TAG_MOUNT_POINT;
    words[4] = 0;
    words[5] = static_cast<WORD>(substitute.size() * 2);
    words[6] = static_cast<WORD>(substitute.size() * 2 + 2);
    words[7] = static_cast<WORD>(print.size() * 2);
    const auto names = reinterpret_cast<wchar_t*>(buffer.data() + 16);
    substitute.copy(names, substitute.size());
    print.copy(names + substitute.size() + 1, print.size());
    words[2] = static_cast<WORD>(8 + (substitute.size() + print.size() + 2) * 2);
    const HANDLE probe = CreateFileA(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    JunctionSupport support;
    DWORD returned = 0;
    support.supported =
        probe != INVALID_HANDLE_VALUE && DeviceIoControl(probe, FSCTL_SET_REPARSE_POINT, buffer.data(),
                                                         words[2] + 8u, nullptr, 0, &returned, nullptr);
    support.error = support.supported ? 0 : GetLastError();
    CloseHandle(probe);
    RemoveDirectoryA(link.c_str());
    RemoveDirectoryA(target.c_str());
    return support;
}

}  // namespace testsupport

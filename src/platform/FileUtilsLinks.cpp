#include "platform/FileUtilsLinks.h"

#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <vector>

#include "diag/Logger.h"
#include "diag/SysError.h"
#include "diag/VdsError.h"
#include "diag/tstrings.h"
#include "platform/FileUtils.h"
#include "win/AutoHandle.h"

namespace FileUtils {

namespace {

// The reparse data layouts of junctions (mount points) and symbolic links; the
// user-mode headers of our tool chain do not declare them.
struct ReparseHeader {
    DWORD tag;
    WORD dataLength;
    WORD reserved;
};

struct ReparseNames {
    WORD substituteNameOffset;
    WORD substituteNameLength;
    WORD printNameOffset;
    WORD printNameLength;
};

constexpr DWORD mountPointTag = 0xA0000003;
// The flag of a symbolic link whose target is relative to the link's folder.
constexpr ULONG symbolicLinkRelative = 0x1;
constexpr DWORD symbolicLinkTag = 0xA000000C;
constexpr std::size_t reparseBufferSize = 16384;
// A symbolic link has a flags word between the name fields and the names.
constexpr std::size_t symbolicLinkFlagsSize = sizeof(ULONG);

struct ReparseBuffer {
    alignas(8) BYTE bytes[reparseBufferSize] = {};

    ReparseHeader* header() { return reinterpret_cast<ReparseHeader*>(bytes); }
    ReparseNames* names() { return reinterpret_cast<ReparseNames*>(bytes + sizeof(ReparseHeader)); }
    ULONG symbolicLinkFlags() const {
        ULONG flags = 0;
        std::memcpy(&flags, bytes + sizeof(ReparseHeader) + sizeof(ReparseNames), sizeof flags);
        return flags;
    }
    std::size_t nameOffset(DWORD tag) const {
        return sizeof(ReparseHeader) + sizeof(ReparseNames) +
               (tag == symbolicLinkTag ? symbolicLinkFlagsSize : 0);
    }
};

// Copies `name` with its terminator to `destination`, which has room for `capacity`
// characters. A name that does not fit is reported as the C runtime's wcscpy_s reports
// it (ERANGE), without calling wcscpy_s: its default response to a short buffer ends the
// process.
void copyName(wchar_t* destination, std::size_t capacity, const std::wstring& name,
              const std::string& printable) {
    if (name.size() + 1 > capacity) {
        VDS_THROW(std::runtime_error, "FileUtils::createJunction",
                  "wcscpy_s(ptr, " + tstrings::toDecimal(capacity) + ", " + printable +
                      ") failed. Return value: " + tstrings::toDecimal(ERANGE));
    }
    std::copy(name.begin(), name.end(), destination);
    destination[name.size()] = L'\0';
}

std::wstring withoutPrefix(const std::wstring& name) {
    static const std::wstring uncPrefix = L"\\??\\UNC\\";
    static const std::wstring plainPrefix = L"\\??\\";
    if (name.starts_with(uncPrefix)) {
        return L"\\\\" + name.substr(uncPrefix.size());
    }
    if (name.starts_with(plainPrefix)) {
        return name.substr(plainPrefix.size());
    }
    return name;
}

// The full path that `relative`, the target of the symbolic link `link`, names from the
// link's folder ("." and ".." resolved).
std::wstring resolvedFromLinkFolder(const std::string& link, const std::wstring& relative) {
    const std::wstring combined = tstrings::toUtf16(dirname(link), CP_ACP) + relative;
    const DWORD size = GetFullPathNameW(combined.c_str(), 0, nullptr, nullptr);
    std::wstring full(size, L'\0');
    const DWORD length = size == 0 ? 0 : GetFullPathNameW(combined.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size) {
        const DWORD code = GetLastError();
        VDS_THROW(SysError, "FileUtils::getLinkTarget", link + ": cannot resolve its relative target",
                  GetFullPathNameW, code);
    }
    full.resize(length);
    return full;
}

}  // namespace

void createJunction(const std::string& link, const std::string& target) {
    const std::wstring printName = tstrings::toUtf16(target, CP_UTF8);
    const std::wstring substituteName = L"\\??\\" + printName;

    ReparseBuffer buffer;
    const std::size_t namesStart = buffer.nameOffset(mountPointTag);
    wchar_t* names = reinterpret_cast<wchar_t*>(buffer.bytes + namesStart);
    const std::size_t capacity = (reparseBufferSize - namesStart) / sizeof(wchar_t);
    copyName(names, capacity, substituteName, "\\??\\" + target);
    const std::size_t printStart = substituteName.size() + 1;
    copyName(names + printStart, capacity > printStart ? capacity - printStart : 0, printName, target);

    const WORD substituteLength = static_cast<WORD>(substituteName.size() * sizeof(wchar_t));
    const WORD printLength = static_cast<WORD>(printName.size() * sizeof(wchar_t));
    buffer.header()->tag = mountPointTag;
    buffer.header()->dataLength = static_cast<WORD>(substituteLength + printLength + 12);
    *buffer.names() = ReparseNames{0, substituteLength, static_cast<WORD>(substituteLength + 2), printLength};

    createDirs(link);
    const AutoHandle folder(CreateFileA(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!folder) {
        const DWORD code = GetLastError();
        VDS_THROW(SysError, "FileUtils::createJunction", link + ": cannot open", CreateFileA, code);
    }
    DWORD returned = 0;
    if (!DeviceIoControl(folder.get(), FSCTL_SET_REPARSE_POINT, buffer.bytes,
                         buffer.header()->dataLength + sizeof(ReparseHeader), nullptr, 0, &returned,
                         nullptr)) {
        const DWORD code = GetLastError();
        VDS_THROW(SysError, "FileUtils::createJunction", link + ": cannot set reparse point", DeviceIoControl,
                  code);
    }
    LOG_TRACE("FileUtils::createJunction", "Created [" << link << "] junction for [" << target << "] target");
}

void deleteJunction(const std::string& path) {
    if (!isReparsePoint(path)) {
        VDS_THROW(std::runtime_error, "FileUtils::deleteJunction", path + ": is not a junction");
    }
    deleteDirectory(path);
}

std::string getLinkTarget(const std::string& path, LinkKind* kind) {
    if (!isReparsePoint(path)) {
        VDS_THROW(std::runtime_error, "FileUtils::getLinkTarget", path + ": not a link");
    }
    const DWORD flags = FILE_FLAG_OPEN_REPARSE_POINT | (isDirectory(path) ? FILE_FLAG_BACKUP_SEMANTICS : 0);
    const AutoHandle link(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, flags, nullptr));
    if (!link) {
        const DWORD code = GetLastError();
        VDS_THROW(SysError, "FileUtils::getLinkTarget", path + ": cannot open", CreateFileA, code);
    }
    ReparseBuffer buffer;
    DWORD returned = 0;
    if (!DeviceIoControl(link.get(), FSCTL_GET_REPARSE_POINT, nullptr, 0, buffer.bytes, sizeof buffer.bytes,
                         &returned, nullptr)) {
        const DWORD code = GetLastError();
        VDS_THROW(SysError, "FileUtils::getLinkTarget", path + ": cannot get reparse point", DeviceIoControl,
                  code);
    }
    const DWORD tag = buffer.header()->tag;
    if (tag != mountPointTag && tag != symbolicLinkTag) {
        VDS_THROW(std::runtime_error, "FileUtils::getLinkTarget",
                  path + ": unknown reparse tag " + tstrings::toDecimal(tag));
    }
    const ReparseNames names = *buffer.names();
    const std::size_t start = buffer.nameOffset(tag) + names.substituteNameOffset;
    // The names must lie inside what the file system returned.
    if (start + names.substituteNameLength > returned) {
        VDS_THROW(std::runtime_error, "FileUtils::getLinkTarget", path + ": invalid reparse data");
    }
    const std::wstring substitute(reinterpret_cast<const wchar_t*>(buffer.bytes + start),
                                  names.substituteNameLength / sizeof(wchar_t));
    const bool relative = tag == symbolicLinkTag && (buffer.symbolicLinkFlags() & symbolicLinkRelative) != 0;
    const std::string target =
        tstrings::toUtf8(relative ? resolvedFromLinkFolder(path, substitute) : withoutPrefix(substitute));
    if (kind != nullptr) {
        *kind = tag == mountPointTag ? LinkKind::Junction : LinkKind::SymbolicLink;
    }
    LOG_TRACE("FileUtils::getLinkTarget", "Target for [" << path << "] link is [" << target << "]");
    return target;
}

void deleteSymLink(const std::string& path) {
    if (!isReparsePoint(path)) {
        VDS_THROW(std::runtime_error, "FileUtils::deleteSymLink", "Not a symlink: " + path);
    }
    deleteFile(path);
}

}  // namespace FileUtils

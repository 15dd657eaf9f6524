#include "platform/FileUtils.h"

#include <algorithm>
#include <cstring>

#include "diag/CatchAndLog.h"
#include "diag/ErrorText.h"
#include "diag/Logger.h"
#include "diag/SysError.h"
#include "diag/VdsError.h"
#include "diag/tstrings.h"
#include "platform/BatchDeleter.h"
#include "platform/DeleteCallbacks.h"
#include "platform/DirectoryIterator.h"
#include "platform/PendingRenames.h"
#include "win/AutoHandle.h"

namespace FileUtils {

namespace {

constexpr const char* separators = "\\/";

template <class Char>
bool isSeparator(Char c) {
    return c == Char('\\') || c == Char('/');
}

// The position of the first separator at or after `from`; npos when there is none.
template <class String>
typename String::size_type findSeparator(const String& path, typename String::size_type from) {
    for (typename String::size_type position = from; position < path.size(); ++position) {
        if (isSeparator(path[position])) {
            return position;
        }
    }
    return String::npos;
}

bool isMissingError(DWORD code) { return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND; }

bool hasIllegalNameCharacter(const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || std::strchr("<>:\"|?*/\\", c) != nullptr;
    });
}

template <class String>
String trailingSeparatorsRemoved(String path) {
    while (!path.empty() && isSeparator(path.back())) {
        path.pop_back();
    }
    return path;
}

// Where the folders that createDirs may create start: after "\\server\share\" for a
// UNC path (neither the server nor the share can be created as a folder), else at 0.
template <class String>
typename String::size_type firstCreatablePrefix(const String& path) {
    if (path.size() < 2 || !isSeparator(path[0]) || !isSeparator(path[1])) {
        return 0;
    }
    typename String::size_type position = 2;
    for (int piece = 0; piece < 2 && position != String::npos; ++piece) {
        position = findSeparator(path, position);
        if (position != String::npos) {
            ++position;
        }
    }
    return position == String::npos ? path.size() : position;
}

// Hands every folder of `path` to `createOne`, from the first that can be created on.
template <class String, class CreateOne>
void forEachCreatableLevel(const String& path, CreateOne createOne) {
    const String stripped = trailingSeparatorsRemoved(path);
    if (stripped.empty()) {
        return;
    }
    const String full = stripped + typename String::value_type('\\');
    for (auto end = findSeparator(full, firstCreatablePrefix(full)); end != String::npos;
         end = findSeparator(full, end + 1)) {
        createOne(full.substr(0, end + 1));
    }
}

void createDirWide(const std::wstring& path) {
    if (!CreateDirectoryW(path.c_str(), nullptr)) {
        const DWORD code = GetLastError();
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            return;
        }
        VDS_THROW(SysError, "FileUtils::createDir", "CreateDirectory(" + tstrings::toUtf8(path) + ") failed",
                  CreateDirectoryW, code);
    }
    LOG_TRACE("FileUtils::createDir", "Created [" << tstrings::toUtf8(path) << "] directory");
}

void createDir(const std::string& path, SECURITY_ATTRIBUTES* attributes) {
    if (!CreateDirectoryA(path.c_str(), attributes)) {
        const DWORD code = GetLastError();
        if (attributes == nullptr && isDirectory(path)) {
            return;
        }
        VDS_THROW(SysError, "FileUtils::createDir", "CreateDirectory(" + path + ") failed", CreateDirectoryA,
                  code);
    }
    LOG_TRACE("FileUtils::createDir", "Created [" << path << "] directory");
}

bool createNewFile(const std::string& path) {
    const AutoHandle file(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return false;
    }
    LOG_TRACE("FileUtils::createNewFile", "Created [" << path << "] file");
    return true;
}

// Clears the read-only attribute that makes DeleteFileA deny access; false (with access
// denied as the last error) when the file is not read-only or the attribute stays.
bool discardReadOnly(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) == 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    const DWORD remaining = attributes & ~FILE_ATTRIBUTE_READONLY;
    if (!SetFileAttributesA(path.c_str(), remaining == 0 ? FILE_ATTRIBUTE_NORMAL : remaining)) {
        const DWORD code = GetLastError();
        LOG_WARNING("FileUtils::tryDeleteFile", joinMessages("Failed to discard R/O attribute from [" + path +
                                                                 "] file. File will not be deleted",
                                                             systemErrorText(code)));
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    LOG_TRACE("FileUtils::tryDeleteFile", "Discarded R/O attribute from [" << path << "] file");
    return true;
}

bool deleteFileOnce(const std::string& path) {
    if (!DeleteFileA(path.c_str())) {
        return false;
    }
    LOG_TRACE("FileUtils::tryDeleteFile", "Deleted [" << path << "] file");
    return true;
}

// Removes a reparse point as a link, never touching what it points to.
void deleteLink(const std::string& path, DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        deleteDirectory(path);
    } else {
        deleteFile(path);
    }
}

}  // namespace

bool isDirectory(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool isReparsePoint(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

std::string dirname(const std::string& path) {
    const std::string::size_type last = path.find_last_of(separators);
    return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

std::string basename(const std::string& path) {
    const std::string::size_type last = path.find_last_of(separators);
    return last == std::string::npos ? path : path.substr(last + 1);
}

std::string suffix(const std::string& path) {
    const std::string name = basename(path);
    const std::string::size_type dot = name.rfind('.');
    if (dot == std::string::npos || name == "..") {
        return {};
    }
    return name.substr(dot);
}

std::string withoutTrailingSeparators(const std::string& path) { return trailingSeparatorsRemoved(path); }

std::string join(const std::string& dir, const std::string& name) {
    if (name.empty()) {
        return dir;
    }
    if (dir.empty()) {
        return name;
    }
    const std::string tail = isSeparator(name.front()) ? name.substr(1) : name;
    return withoutTrailingSeparators(dir) + "\\" + tail;
}

std::string normalizePath(const std::string& path) {
    // Character by character through UTF-16: in a double-byte code page a trail byte may
    // look like an ASCII capital or a '\\' ("\x83\x41" is one Japanese letter).
    std::wstring wide = tstrings::toUtf16(path, CP_ACP);
    if (wide.empty()) {
        return path;  // empty, or no text of the ANSI code page: nothing can be told apart
    }
    std::replace(wide.begin(), wide.end(), L'/', L'\\');
    std::wstring lower = wide;
    CharLowerBuffW(lower.data(), static_cast<DWORD>(lower.size()));
    std::string normal;
    if (tstrings::toAnsiExact(lower, normal)) {
        return normal;
    }
    // A lower-case letter that the code page lacks: lower only what surely has a form.
    std::transform(wide.begin(), wide.end(), wide.begin(), [](wchar_t c) {
        return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
    });
    return tstrings::toAnsi(wide);
}

std::string replaceSuffix(const std::string& path, const std::string& newSuffix) {
    return path.substr(0, path.size() - suffix(path).size()) + newSuffix;
}

void createDirs(const std::string& path) {
    forEachCreatableLevel(path, [](const std::string& level) { createDir(level, nullptr); });
}

void createDirs(const std::wstring& path) { forEachCreatableLevel(path, createDirWide); }

void createDirWithSecurity(const std::string& path, const security::SecurityDescriptor& descriptor) {
    createDirs(dirname(path));
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.get(), FALSE};
    createDir(path, &attributes);
}

std::string createTempFile(const std::string& dir, const std::string& prefix, const std::string& suffix) {
    if (hasIllegalNameCharacter(prefix)) {
        VDS_THROW(std::runtime_error, "FileUtils::createTempFile", "Illegal characters in prefix=" + prefix);
    }
    if (hasIllegalNameCharacter(suffix)) {
        VDS_THROW(std::runtime_error, "FileUtils::createTempFile", "Illegal characters in suffix=" + suffix);
    }
    const DWORD ticks = GetTickCount();
    for (DWORD i = 0; i < 100; ++i) {
        const std::string path = join(dir, prefix + tstrings::toDecimal(ticks + i) + suffix);
        if (createNewFile(path)) {
            return path;
        }
    }
    const DWORD code = GetLastError();
    VDS_THROW(SysError, "FileUtils::createTempFile",
              "createTempFile(" + prefix + ", " + suffix + ", " + dir + ") failed", CreateFileA, code);
}

std::string createUniqueFile(const std::string& path) {
    if (createNewFile(path)) {
        return path;
    }
    return createTempFile(dirname(path), replaceSuffix(basename(path), ""), suffix(path));
}

void copyFile(const std::string& source, const std::string& target, bool failIfExists) {
    createDirs(dirname(target));
    if (!CopyFileA(source.c_str(), target.c_str(), failIfExists)) {
        const DWORD code = GetLastError();
        VDS_THROW(
            SysError, "FileUtils::copyFile",
            "CopyFile(" + source + ", " + target + ", " + tstrings::toDecimal(int{failIfExists}) + ") failed",
            CopyFileA, code);
    }
    LOG_TRACE("FileUtils::copyFile", "Copied [" << source << "] file to [" << target << "]");
}

void copyPersistentFile(const std::string& source, const std::string& target) {
    if (GetFileAttributesA(source.c_str()) == INVALID_FILE_ATTRIBUTES) {
        VDS_THROW(std::runtime_error, "FileUtils::copyPersistentFile",
                  "FileUtils::copyPersistentFile(" + source + ", " + target +
                      ", 0) failed. Source file not found.");
    }
    // A deletion of the target that is pending for the restart (an earlier deletion that
    // met a file in use) would remove a copy made now: the copy is then also put in
    // place through the restart, after that deletion.
    const bool changesAtRestart = PendingRenames::isPendingAtRestart(target);
    try {
        copyFile(source, target, false);
        if (!changesAtRestart) {
            return;
        }
        LOG_INFO("FileUtils::copyPersistentFile",
                 "[" << target
                     << "] is changed by an operation pending for the next restart; the copy is "
                        "put in place again then");
    } catch (const std::exception& error) {
        logException(VDS_LOCATION("FileUtils::copyPersistentFile"), error);
    }
    // The target is in use or changes at restart: put the copy beside it and let Windows
    // swap it in at restart.
    const std::string replacement = createUniqueFile(target);
    try {
        copyFile(source, replacement, false);
        moveFile(replacement, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT);
    } catch (...) {
        // A replacement that will never be swapped in must not stay behind.
        tryDeleteFile(replacement);
        throw;
    }
}

void moveFile(const std::string& source, const std::string& target, DWORD flags) {
    const char* kind = isDirectory(source) ? "folder" : "file";
    if (!MoveFileExA(source.c_str(), target.empty() ? nullptr : target.c_str(), flags)) {
        const DWORD code = GetLastError();
        VDS_THROW(SysError, "FileUtils::moveFile",
                  "MoveFileEx(" + source + ", " + target + ", " + tstrings::toDecimal(flags) + ") failed",
                  MoveFileExA, code);
    }
    const bool atReboot = (flags & MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
    if (target.empty()) {
        LOG_TRACE("FileUtils::moveFile", (atReboot ? "Delete" : "Deleted") << " '" << source << "' " << kind
                                                                           << (atReboot ? " on reboot" : ""));
    } else {
        LOG_TRACE("FileUtils::moveFile", (atReboot ? "Move" : "Moved")
                                             << " '" << source << "' " << kind << " to '" << target << "'"
                                             << (atReboot ? " on reboot" : ""));
    }
}

bool tryDeleteFile(const std::string& path) {
    if (deleteFileOnce(path)) {
        return true;
    }
    const DWORD code = GetLastError();
    if (isMissingError(code)) {
        return true;
    }
    if (code != ERROR_ACCESS_DENIED) {
        return false;
    }
    return discardReadOnly(path) && deleteFileOnce(path);
}

void deleteFile(const std::string& path) {
    if (!tryDeleteFile(path)) {
        const DWORD code = GetLastError();
        VDS_THROW(SysError, "FileUtils::deleteFile", "DeleteFile(" + path + ") failed", DeleteFileA, code);
    }
}

bool tryDeleteDirectory(const std::string& path) {
    if (RemoveDirectoryA(path.c_str())) {
        LOG_TRACE("FileUtils::tryDeleteDirectory", "Deleted [" << path << "] directory");
        return true;
    }
    return isMissingError(GetLastError());
}

void deleteDirectory(const std::string& path) {
    if (!tryDeleteDirectory(path)) {
        const DWORD code = GetLastError();
        VDS_THROW(SysError, "FileUtils::deleteDirectory", "RemoveDirectory(" + path + ") failed",
                  RemoveDirectoryA, code);
    }
}

bool deleteFilesIn(const std::string& path) { return BatchDeleter(path, false).execute(); }

bool tryDeleteTree(const std::string& path) { return BatchDeleter(path, true).execute(); }

void deleteTree(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES && isMissingError(GetLastError())) {
        return;
    }
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        deleteLink(path, attributes);
        return;
    }
    DeleteAllCallback callback(true);
    iterateDirectory(path, callback);
    deleteDirectory(path);
}

void deleteOnReboot(const std::string& path) {
    try {
        moveFile(path, "", MOVEFILE_DELAY_UNTIL_REBOOT);
    }
    VDS_CATCH_AND_LOG("FileUtils::deleteOnReboot")
}

BY_HANDLE_FILE_INFORMATION informationOf(HANDLE file, const std::string& path) {
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(file, &information)) {
        const DWORD code = GetLastError();
        VDS_THROW(SysError, "FileUtils::informationOf", "[" + path + "] has no file information",
                  GetFileInformationByHandle, code);
    }
    return information;
}

void setPermissions(const std::string& path, const security::SecurityDescriptor& descriptor) {
    if (!SetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, descriptor.get())) {
        const DWORD code = GetLastError();
        VDS_THROW(SysError, "FileUtils::setPermissions", "setPermissions(" + path + ") failed",
                  SetFileSecurityA, code);
    }
    LOG_TRACE("FileUtils::setPermissions", "Set [" << path << "] permissions");
}

namespace {

// What of `descriptor` there is to set: its DACL and its owner, whichever it carries.
SECURITY_INFORMATION securityToSet(const std::string& path, const security::SecurityDescriptor& descriptor) {
    BOOL daclPresent = FALSE;
    PACL dacl = nullptr;
    BOOL defaulted = FALSE;
    if (!GetSecurityDescriptorDacl(descriptor.get(), &daclPresent, &dacl, &defaulted)) {
        const DWORD code = GetLastError();
        VDS_THROW(SysError, "FileUtils::setSecurity", "setSecurity(" + path + ") failed (detect DACL)",
                  GetSecurityDescriptorDacl, code);
    }
    PSID owner = nullptr;
    if (!GetSecurityDescriptorOwner(descriptor.get(), &owner, &defaulted)) {
        const DWORD code = GetLastError();
        VDS_THROW(SysError, "FileUtils::setSecurity", "setSecurity(" + path + ") failed (detect owner)",
                  GetSecurityDescriptorOwner, code);
    }
    SECURITY_INFORMATION information = 0;
    if (daclPresent) {
        information |= DACL_SECURITY_INFORMATION;
    }
    if (owner != nullptr) {
        information |= OWNER_SECURITY_INFORMATION;
    }
    if (information == 0) {
        VDS_THROW(std::runtime_error, "FileUtils::setSecurity", "setSecurity(" + path + ") nothing to set");
    }
    return information;
}

}  // namespace

void setSecurity(const std::string& path, const security::SecurityDescriptor& descriptor) {
    if (!SetFileSecurityA(path.c_str(), securityToSet(path, descriptor), descriptor.get())) {
        const DWORD code = GetLastError();
        VDS_THROW(SysError, "FileUtils::setSecurity", "setSecurity(" + path + ") failed", SetFileSecurityA,
                  code);
    }
    LOG_TRACE("FileUtils::setSecurity", "Set [" << path << "] security");
}

void setSecurity(HANDLE file, const std::string& path, const security::SecurityDescriptor& descriptor) {
    if (!SetKernelObjectSecurity(file, securityToSet(path, descriptor), descriptor.get())) {
        const DWORD code = GetLastError();
        VDS_THROW(SysError, "FileUtils::setSecurity", "setSecurity(" + path + ") failed",
                  SetKernelObjectSecurity, code);
    }
    LOG_TRACE("FileUtils::setSecurity", "Set [" << path << "] security");
}

}  // namespace FileUtils

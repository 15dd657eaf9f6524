#include "zip/DirectoryExtraction.h"

#include <windows.h>

#include <algorithm>
#include <stdexcept>

#include "diag/ErrorText.h"
#include "diag/Logger.h"
#include "diag/SysError.h"
#include "diag/VdsError.h"
#include "diag/tstrings.h"
#include "platform/FileUtils.h"
#include "win/AutoHandle.h"
#include "zip/SafeEntryName.h"

namespace {

constexpr const char* extractAllFunction = "ZipFile::extractAll";

// WriteFile takes at most 4 GiB - 1 bytes; whole files are written in pieces of 1 GiB.
constexpr std::size_t largestWrite = 1u << 30;

// Files are made with the right to delete them, so that one whose content could not be
// written whole goes again through the same handle.
constexpr DWORD createAccess = GENERIC_WRITE | DELETE;

// Writes `data` as the whole new content of the open `file` (shown as `path` in errors),
// with one write call for all but the largest files. A file that a full disk or another
// failure cuts short is deleted when its handle closes: no entry is left half written
// under its name, to be taken for whole by whoever runs it next.
void writeWholeFile(const AutoHandle& file, const std::string& path, std::string_view data) {
    while (!data.empty()) {
        const auto piece = static_cast<DWORD>(std::min(data.size(), largestWrite));
        DWORD written = 0;
        if (!WriteFile(file.get(), data.data(), piece, &written, nullptr) || written == 0) {
            const DWORD error = GetLastError();
            FILE_DISPOSITION_INFO disposition{TRUE};
            if (!SetFileInformationByHandle(file.get(), FileDispositionInfo, &disposition, sizeof disposition)) {
                const DWORD deleteError = GetLastError();
                LOG_ERROR(extractAllFunction,
                          "The partly written " << path << " cannot be deleted: " << systemErrorText(deleteError));
            }
            VDS_THROW(SysError, extractAllFunction, "WriteFile(" + path + ") failed", WriteFile, error);
        }
        data.remove_prefix(written);
    }
}

template <class Char>
std::basic_string<Char> withBackslashes(std::basic_string<Char> path) {
    std::replace(path.begin(), path.end(), Char('/'), Char('\\'));
    return path;
}

}  // namespace

DirectoryExtraction::DirectoryExtraction(ZipArchive& archive, std::string destination,
                                         const std::vector<std::string>& excludedNames)
    : archive_(archive),
      destination_(std::move(destination)),
      wideDestination_(tstrings::toUtf16(tstrings::trimRight(destination_, "\\/"), CP_ACP)),
      read_(archive) {
    for (const std::string& name : excludedNames) {
        excluded_.insert(FileUtils::normalizePath(name));
    }
}

bool DirectoryExtraction::isExcluded(const std::string& name) const {
    return excluded_.count(FileUtils::normalizePath(name)) != 0;
}

void DirectoryExtraction::checkName(const vzentry& entry) const {
    if (isExcluded(entry.name)) {
        return;
    }
    const std::wstring decoded = decodedEntryName(entry);
    if (decoded.empty() && !entry.name.empty()) {
        VDS_THROW(std::runtime_error, extractAllFunction,
                  "Zip entry " + entry.name + " from " + archive_.name +
                      " archive has a name that is not valid in its encoding and can't be extracted");
    }
    if (!isSafeEntryName(decoded)) {
        VDS_THROW(std::runtime_error, extractAllFunction,
                  "Zip entry " + entry.name + " from " + archive_.name +
                      " archive has a name that leads outside the destination and can't be extracted");
    }
}

void DirectoryExtraction::extractEntryToDirectory(ZipFileEntry& entry) {
    const vzentry& held = entry.get();
    if (isExcluded(held.name)) {
        return;
    }
    if ((held.flags & utf8NameFlag) != 0) {
        extractByWideName(entry);
    } else {
        extractByAnsiName(entry);
    }
}

void DirectoryExtraction::extractByAnsiName(ZipFileEntry& entry) {
    const std::string target = FileUtils::join(destination_, withBackslashes(entry.get().name));
    if (entry.isDirectory()) {
        ensureDirectory(target);
        return;
    }
    ensureDirectory(FileUtils::dirname(target));
    // Damaged data fails before the file is made.
    const std::string_view data = read_(entry);
    const AutoHandle file(CreateFileA(target.c_str(), createAccess, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        VDS_THROW(SysError, extractAllFunction, "CreateFile(" + target + ") failed", CreateFileA, error);
    }
    writeWholeFile(file, target, data);
}

void DirectoryExtraction::extractByWideName(ZipFileEntry& entry) {
    const std::wstring relative = withBackslashes(decodedEntryName(entry.get()));
    ensureDirectory(destination_);
    if (entry.isDirectory()) {
        ensureWideDirectories(relative);
        return;
    }
    const std::size_t lastSeparator = relative.find_last_of(L'\\');
    if (lastSeparator != std::wstring::npos) {
        ensureWideDirectories(std::wstring_view(relative).substr(0, lastSeparator + 1));
    }
    const std::wstring target = belowDestination(relative);
    const std::string_view data = read_(entry);
    const AutoHandle file(CreateFileW(target.c_str(), createAccess, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        VDS_THROW(SysError, extractAllFunction, "CreateFile(" + tstrings::toAnsi(target) + ") failed",
                  CreateFileW, error);
    }
    writeWholeFile(file, tstrings::toAnsi(target), data);
}

std::wstring DirectoryExtraction::belowDestination(std::wstring_view relative) const {
    if (wideDestination_.empty() && !tstrings::trimRight(destination_, "\\/").empty()) {
        VDS_THROW(std::runtime_error, extractAllFunction,
                  "Destination " + destination_ + " can't be converted from the ANSI code page");
    }
    return wideDestination_.empty() ? std::wstring(relative)
                                    : wideDestination_ + L"\\" + std::wstring(relative);
}

void DirectoryExtraction::ensureDirectory(const std::string& path) {
    if (path.empty() || createdDirectories_.count(path) != 0) {
        return;
    }
    FileUtils::createDirs(path);
    createdDirectories_.insert(path);
}

void DirectoryExtraction::ensureWideDirectories(std::wstring_view relative) {
    for (std::size_t end = relative.find(L'\\'); end != std::wstring_view::npos;
         end = relative.find(L'\\', end + 1)) {
        const std::wstring path = belowDestination(relative.substr(0, end));
        if (createdWideDirectories_.count(path) != 0) {
            continue;
        }
        if (CreateDirectoryW(path.c_str(), nullptr)) {
            LOG_TRACE(extractAllFunction, "Created [" << tstrings::toAnsi(path) << "] directory");
        } else {
            const DWORD error = GetLastError();
            const DWORD attributes = GetFileAttributesW(path.c_str());
            if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                VDS_THROW(SysError, extractAllFunction,
                          "CreateDirectory(" + tstrings::toAnsi(path) + ") failed", CreateDirectoryW, error);
            }
        }
        createdWideDirectories_.insert(path);
    }
}

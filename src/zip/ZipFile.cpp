#include "zip/ZipFile.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <unordered_set>

#include "diag/SysError.h"
#include "diag/TraceScope.h"
#include "diag/VdsError.h"
#include "platform/FileUtils.h"
#include "win/AutoHandle.h"
#include "zip/SafeEntryName.h"
#include "zip/ZipEntries.h"
#include "zip/ZipFileEntry.h"
#include "zip/extractEntryInMemory.h"

namespace {

using NameSet = std::unordered_set<std::string>;

// WriteFile takes at most 4 GiB - 1 bytes; whole files are written in pieces of 1 GiB.
constexpr std::size_t largestWrite = 1u << 30;

// The entry at `index`, held for the caller.
std::unique_ptr<ZipFileEntry> holdEntryAt(ZipArchive& archive, std::int32_t index) {
    std::unique_ptr<vzentry> entry = entryAt(archive, index);
    if (!entry) {
        VDS_THROW(std::runtime_error, "ZipFile::extractAll",
                  "Can't read entry " + std::to_string(index) + " of " + archive.name + " archive");
    }
    return std::make_unique<ZipFileEntry>(archive, std::move(entry));
}

// Writes `data` as the whole new content of the file `path`, with one write call for
// all but the largest files.
void writeWholeFile(const std::string& path, std::string_view data) {
    AutoHandle file(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        VDS_THROW(SysError, "ZipFile::extractAll", "CreateFile(" + path + ") failed", CreateFileA, error);
    }
    while (!data.empty()) {
        const auto piece = static_cast<DWORD>(std::min(data.size(), largestWrite));
        DWORD written = 0;
        if (!WriteFile(file.get(), data.data(), piece, &written, nullptr) || written == 0) {
            const DWORD error = GetLastError();
            VDS_THROW(SysError, "ZipFile::extractAll", "WriteFile(" + path + ") failed", WriteFile, error);
        }
        data.remove_prefix(written);
    }
}

// What one extractAll run keeps between entries: the reusable data buffer and the
// folders already made, so that each file costs only its own create and write.
class DirectoryExtraction {
public:
    DirectoryExtraction(ZipArchive& archive, std::string destination, NameSet excluded)
        : destination_(std::move(destination)), excluded_(std::move(excluded)), read_(archive) {}

    bool isExcluded(const std::string& name) const {
        return excluded_.count(FileUtils::normalizePath(name)) != 0;
    }

    void extractEntryToDirectory(ZipFileEntry& entry) {
        const std::string& name = entry.get().name;
        if (isExcluded(name)) {
            return;
        }
        std::string relative = name;
        std::replace(relative.begin(), relative.end(), '/', '\\');
        const std::string target = FileUtils::join(destination_, relative);
        if (entry.isDirectory()) {
            ensureDirectory(target);
            return;
        }
        ensureDirectory(FileUtils::dirname(target));
        writeWholeFile(target, read_(entry));
    }

private:
    void ensureDirectory(const std::string& path) {
        if (path.empty() || createdDirectories_.count(path) != 0) {
            return;
        }
        FileUtils::createDirs(path);
        createdDirectories_.insert(path);
    }

    std::string destination_;
    NameSet excluded_;
    extractEntryInMemory read_;
    std::unordered_set<std::string> createdDirectories_;
};

}  // namespace

ZipFile::ZipFile(const std::string& path) {
    const char* reason = nullptr;
    ZipArchive* archive = ZIP_Open(path, &reason);
    if (archive == nullptr) {
        VDS_THROW(std::runtime_error, "ZipFile::ZipFile",
                  "ZIP_Open(" + path +
                      ") failed. Error: " + (reason != nullptr ? "Zip file open error" : "unknown"));
    }
    archive_ = archive;
    owned_ = true;
}

ZipFile::~ZipFile() {
    if (owned_) {
        ZIP_Close(archive_);
    }
}

void ZipFile::extractAll(const std::string& destination,
                         const std::vector<std::string>& excludedNames) const {
    TRACE_SCOPE("ZipFile::extractAll");
    NameSet excluded;
    for (const std::string& name : excludedNames) {
        excluded.insert(FileUtils::normalizePath(name));
    }
    DirectoryExtraction extraction(*archive_, destination, std::move(excluded));
    const std::int32_t total = archive_->total;
    // Every name is checked before the first file is written, so that a hostile archive
    // leaves nothing behind at all.
    for (std::int32_t i = 0; i < total; ++i) {
        const std::unique_ptr<ZipFileEntry> entry = holdEntryAt(*archive_, i);
        const std::string& name = entry->get().name;
        if (!extraction.isExcluded(name) && !isSafeEntryName(name)) {
            VDS_THROW(std::runtime_error, "ZipFile::extractAll",
                      "Zip entry " + name + " from " + archive_->name +
                          " archive has a name that leads outside the destination and can't be extracted");
        }
    }
    for (std::int32_t i = 0; i < total; ++i) {
        extraction.extractEntryToDirectory(*holdEntryAt(*archive_, i));
    }
}

std::string ZipFile::extractEntryAsUtf8String(const std::string& name) const {
    ZipFileEntry entry(*archive_, name);
    const vzentry& held = entry.get();
    if (held.size > 0xFFFFFFFF) {
        VDS_THROW(std::runtime_error, "ZipFile::extractEntryAsUtf8String",
                  "Zip entry " + name + " from " + archive_->name +
                      " archive is too large to be extracted into memory");
    }
    if (held.name.empty()) {
        VDS_THROW(std::runtime_error, "ZipFile::extractEntryAsUtf8String",
                  "Unexpected empty name of zip entry " + name + " from " + archive_->name);
    }
    if (entry.isDirectory()) {
        VDS_THROW(std::runtime_error, "ZipFile::extractEntryAsUtf8String",
                  "Zip entry " + name + " from " + archive_->name +
                      " archive is a directory and can't be extracted into memory");
    }
    extractEntryInMemory read(*archive_);
    return std::string(read(entry));
}

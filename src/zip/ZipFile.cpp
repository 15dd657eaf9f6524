#include "zip/ZipFile.h"

#include <cstdint>
#include <memory>
#include <stdexcept>

#include "diag/TraceScope.h"
#include "diag/VdsError.h"
#include "zip/DirectoryExtraction.h"
#include "zip/ZipEntries.h"
#include "zip/ZipFileEntry.h"
#include "zip/extractEntryInMemory.h"

namespace {

// The entry at `index`, held for the caller.
std::unique_ptr<ZipFileEntry> holdEntryAt(ZipArchive& archive, std::int32_t index) {
    std::unique_ptr<vzentry> entry = entryAt(archive, index);
    if (!entry) {
        VDS_THROW(std::runtime_error, "ZipFile::extractAll",
                  "Can't read entry " + std::to_string(index) + " of " + archive.name + " archive");
    }
    return std::make_unique<ZipFileEntry>(archive, std::move(entry));
}

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
    DirectoryExtraction extraction(*archive_, destination, excludedNames);
    const std::int32_t total = archive_->total;
    // Every name is checked before the first file is written, so that a hostile archive
    // leaves nothing behind at all.
    for (std::int32_t i = 0; i < total; ++i) {
        extraction.checkName(holdEntryAt(*archive_, i)->get());
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

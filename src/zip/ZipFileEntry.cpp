#include "zip/ZipFileEntry.h"

#include <stdexcept>

#include "diag/VdsError.h"
#include "zip/ZipEntries.h"

ZipFileEntry::ZipFileEntry(ZipArchive& archive, const std::string& name)
    : archive_(archive), entry_(ZIP_FindEntry(archive, name, !name.empty())) {
    if (!entry_) {
        VDS_THROW(std::runtime_error, "ZipFileEntry::ZipFileEntry",
                  "ZIP_FindEntry(" + archive.name + ", " + name + ") failed");
    }
}

ZipFileEntry::ZipFileEntry(ZipArchive& archive, std::unique_ptr<vzentry> entry)
    : archive_(archive), entry_(std::move(entry)) {}

ZipFileEntry::~ZipFileEntry() {
    if (entry_) {
        releaseEntry(archive_, std::move(entry_));
    }
}

void ZipFileEntry::verify() const {
    if (!entry_) {
        VDS_THROW(std::logic_error, "ZipFileEntry::verify",
                  "Can't use ZipFileEntry instance if relase() was called");
    }
}

vzentry& ZipFileEntry::get() const {
    verify();
    return *entry_;
}

void ZipFileEntry::release() {
    if (entry_) {
        releaseEntry(archive_, std::move(entry_));
    }
}

bool ZipFileEntry::isDirectory() const {
    verify();
    return entry_->size == 0 && entry_->compressedSize == 0 && !entry_->name.empty() &&
           entry_->name.back() == '/';
}

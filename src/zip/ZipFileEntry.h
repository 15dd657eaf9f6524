#pragma once

#include <memory>
#include <string>

#include "zip/ZipArchive.h"
#include "zip/vzentry.h"

// One looked-up entry of an open archive, held until release() or the end of the object,
// which both give it back to the archive.
class ZipFileEntry {
public:
    // Looks `name` up (a directory also by its name without the final "/"); throws
    // VdsError<std::runtime_error> "ZIP_FindEntry(<archive>, <name>) failed" when it is
    // not there.
    ZipFileEntry(ZipArchive& archive, const std::string& name);
    // Holds an entry found otherwise (by index); `entry` must not be null.
    ZipFileEntry(ZipArchive& archive, std::unique_ptr<vzentry> entry);
    ~ZipFileEntry();
    ZipFileEntry(const ZipFileEntry&) = delete;
    ZipFileEntry& operator=(const ZipFileEntry&) = delete;

    // The entry; throws VdsError<std::logic_error> once it has been released.
    vzentry& get() const;

    // Gives the entry back to the archive (once; later calls do nothing); later use of
    // the entry through this object throws.
    void release();

    // Whether the entry is a directory: no data and a name ending in "/".
    bool isDirectory() const;

    ZipArchive& archive() const { return archive_; }

private:
    void verify() const;

    ZipArchive& archive_;
    std::unique_ptr<vzentry> entry_;
};

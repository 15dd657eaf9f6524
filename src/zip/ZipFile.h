#pragma once

#include <string>
#include <vector>

#include "zip/ZipArchive.h"

// An open zip archive: extraction of all its entries into a folder, or of one entry into
// memory. Objects on the same path share one open record (and file handle).
class ZipFile {
public:
    // Opens the archive at the UTF-8 `path`; throws VdsError<std::runtime_error>
    // "ZIP_Open(<path>) failed. Error: <text>", the text being "Zip file open error" when
    // the archive was refused for a known reason and "unknown" otherwise.
    explicit ZipFile(const std::string& path);
    ~ZipFile();
    ZipFile(const ZipFile&) = delete;
    ZipFile& operator=(const ZipFile&) = delete;

    // Extracts every entry into `destination` (a "\" is put between it and the entry
    // names unless it ends with a separator), leaving out the entries whose names match
    // one of `excludedNames` ignoring case and the kind of slash. A name flagged as UTF-8
    // is created by its UTF-16 form; any other is taken in the ANSI code page as stored.
    // Before anything is written, an entry whose name, so decoded, does not decode or
    // would lead outside the destination ends the extraction with
    // VdsError<std::runtime_error> naming the entry and the archive. Every file is
    // checked against its CRC-32; existing files are overwritten.
    void extractAll(const std::string& destination, const std::vector<std::string>& excludedNames) const;

    // The bytes of the entry `name`, unchanged. Throws VdsError<std::runtime_error> when
    // it is missing, a directory, larger than 4 GiB - 1 or damaged.
    std::string extractEntryAsUtf8String(const std::string& name) const;

    ZipArchive& archive() const { return *archive_; }

private:
    ZipArchive* archive_ = nullptr;
    bool owned_ = false;
};

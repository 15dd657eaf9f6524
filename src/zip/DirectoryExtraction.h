#pragma once

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "zip/ZipArchive.h"
#include "zip/ZipFileEntry.h"
#include "zip/extractEntryInMemory.h"

// One extractAll run over an archive: which entries it leaves out, where each entry goes,
// and what it keeps between entries (the reusable data buffer and the folders already
// made), so that each file costs only its own create and write.
//
// An entry name flagged as UTF-8 is created by its UTF-16 name below the destination
// (ANSI, converted for the wide calls); any other name goes to the ANSI calls as stored.
class DirectoryExtraction {
public:
    DirectoryExtraction(ZipArchive& archive, std::string destination,
                        const std::vector<std::string>& excludedNames);

    // Throws VdsError<std::runtime_error> naming the entry and the archive when `entry`
    // is not left out and its name, as Windows reads it, does not decode or leads outside
    // the destination.
    void checkName(const vzentry& entry) const;

    // Writes the entry (a file, or a folder) below the destination unless it is left out;
    // an existing file is overwritten.
    void extractEntryToDirectory(ZipFileEntry& entry);

private:
    bool isExcluded(const std::string& name) const;
    void extractByAnsiName(ZipFileEntry& entry);
    void extractByWideName(ZipFileEntry& entry);
    // The wide path of `relative` below the destination.
    std::wstring belowDestination(std::wstring_view relative) const;
    // Creates the folder `path` and its parents unless this run made it already.
    void ensureDirectory(const std::string& path);
    // Creates the folders of `relative` (pieces separated by "\") below the destination.
    void ensureWideDirectories(std::wstring_view relative);

    ZipArchive& archive_;
    std::string destination_;
    std::wstring wideDestination_;  // without trailing separators
    std::unordered_set<std::string> excluded_;
    extractEntryInMemory read_;
    std::unordered_set<std::string> createdDirectories_;
    std::unordered_set<std::wstring> createdWideDirectories_;
};

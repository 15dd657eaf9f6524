#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "win/AutoHandle.h"
#include "zip/CriticalSection.h"
#include "zip/vzentry.h"

// One central-directory header of an archive in the name hash table.
struct ZipCell {
    std::uint32_t hash = 0;     // zipNameHash of the entry name
    std::int32_t next = -1;     // next cell of the same bucket, -1 at the end
    std::int64_t position = 0;  // file position of the header
};

// One open archive file, shared by every user of the same path (ZIP_Open/ZIP_Close
// count them). All file reads, the cached entry and the CEN block are guarded by `lock`.
struct ZipArchive {
    std::string name;  // the path as given to ZIP_Open
    std::int32_t references = 1;
    std::int64_t length = 0;              // file length in bytes
    std::vector<unsigned char> cenBlock;  // last block of the central directory read by entryAt
    std::int64_t cenBlockPosition = 0;
    AutoHandle file;
    CriticalSection lock;
    std::string comment;            // the archive comment, empty when there is none
    const char* message = nullptr;  // reason of the last failure
    std::vector<ZipCell> entries;
    std::int32_t total = 0;                // number of entries
    std::vector<std::int32_t> buckets;     // first cell of each bucket, -1 when empty; odd count
    ZipArchive* next = nullptr;            // next record in the list of open archives
    std::unique_ptr<vzentry> cachedEntry;  // the entry released last
    std::int64_t archiveStart = 0;         // position of the archive's first byte in the file
};

// Paths of this many bytes or more are refused before the disk is touched.
inline constexpr std::size_t zipMaxPathLength = 260;

// Opens the archive at the UTF-8 `path`, or takes another reference to the record of
// the same path that is already open. Null on failure; `reason` then holds the recorded
// reason, or null when there is none (a file that cannot be opened, no memory).
ZipArchive* ZIP_Open(const std::string& path, const char** reason);

// Gives one reference back; the last one closes the file and frees the record.
void ZIP_Close(ZipArchive* archive);

// Reads `count` bytes at file position `position` of the archive; false when the range
// lies outside the file or a read fails. The caller holds the archive's lock.
bool readArchiveBytes(ZipArchive& archive, std::int64_t position, void* buffer, std::int64_t count);

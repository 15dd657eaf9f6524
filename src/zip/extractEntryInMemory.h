#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

#include "zip/ZipArchive.h"
#include "zip/ZipFileEntry.h"

// Reads whole entries of one archive into a buffer it owns and reuses, so that a run
// over many entries allocates only when an entry is larger than all before it.
class extractEntryInMemory {
public:
    explicit extractEntryInMemory(ZipArchive& archive) : archive_(archive) {}

    // The whole data of `entry`, valid until the next call; checked against the entry's
    // CRC-32. On success the entry is released. On failure the reason goes to the
    // standard error stream and the log, and VdsError<std::runtime_error>
    // "ZIP_ReadEntry(<archive>, <entry>) failed" is thrown.
    std::string_view operator()(ZipFileEntry& entry);

private:
    // Null on success; otherwise the reason, or "" when the archive's message holds it.
    const char* read(vzentry& entry);

    ZipArchive& archive_;
    std::unique_ptr<char[]> buffer_;
    std::size_t capacity_ = 0;
};

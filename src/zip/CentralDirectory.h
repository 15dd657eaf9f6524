#pragma once

#include <cstdint>
#include <string_view>

#include "zip/CentralHeader.h"
#include "zip/ZipArchive.h"

// Reading an archive's end record and central directory into its name hash table.

// Size of the end record and the signatures of the records we read.
inline constexpr std::int64_t endRecordSize = 22;
inline constexpr std::uint32_t endRecordSignature = 0x06054B50;
inline constexpr std::uint32_t localHeaderSignature = 0x04034B50;
inline constexpr std::int64_t localHeaderSize = 30;

// The hash of an entry name: h = 31 * h + c over the bytes taken as signed 8-bit values,
// in wrapping 32-bit arithmetic, continuing from `hash`.
std::uint32_t zipNameHash(std::string_view name, std::uint32_t hash = 0);

// Finds the end record nearest the end of the file and copies its 22 bytes to `record`
// (and its comment to the archive). Its file position, or -1 when there is none.
std::int64_t findEndRecord(ZipArchive& archive, unsigned char (&record)[endRecordSize]);

// Whether the end record at `position` points at a central header and, before it, at a
// local header, so that it is taken even when the file continues after its comment.
bool checkEndRecord(ZipArchive& archive, std::int64_t position, const unsigned char* record);

// Reads the central directory into the archive's hash table. `expectedCount` is the
// number of headers to make room for, or -1 to take the end record's count. 0 on
// success; -1 on failure, with the reason in the archive's message (none when memory
// ran out or no end record was found).
int readCentralDirectory(ZipArchive& archive, std::int32_t expectedCount);

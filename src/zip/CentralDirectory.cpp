#include "zip/CentralDirectory.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "zip/LittleEndian.h"

namespace {

using littleEndian::u16;
using littleEndian::u32;
using littleEndian::u64;

// The end record lies within the last 22 + 65,535 (longest comment) bytes. It is looked
// for in windows of 128 bytes that overlap by the record's own size, from the end back.
constexpr std::int64_t endSearchLength = endRecordSize + 0xFFFF;
constexpr std::int64_t windowSize = 128;
constexpr std::int64_t windowStep = windowSize - endRecordSize;

constexpr std::int64_t zip64LocatorSize = 20;
constexpr std::int64_t zip64EndRecordSize = 56;

const char* const badDirectorySize = "invalid END header (bad central directory size)";
const char* const badDirectoryOffset = "invalid END header (bad central directory offset)";
const char* const badHeaderSize = "invalid CEN header (bad header size)";

bool isEndSignature(const unsigned char* bytes) { return u32(bytes) == endRecordSignature; }

bool hasSignatureAt(ZipArchive& archive, std::int64_t position, std::uint32_t signature) {
    unsigned char bytes[4];
    return readArchiveBytes(archive, position, bytes, sizeof bytes) && u32(bytes) == signature;
}

// What the end record (or the ZIP64 end record it leads to) says about the directory.
struct DirectoryLocation {
    std::int64_t endPosition = 0;
    std::int64_t count = 0;
    std::uint64_t size = 0;
    std::uint64_t offset = 0;
};

DirectoryLocation locateDirectory(ZipArchive& archive, std::int64_t endPosition, const unsigned char* end) {
    DirectoryLocation location{endPosition, u16(end + 10), u32(end + 12), u32(end + 16)};
    if (location.count != 0xFFFF && location.size != 0xFFFFFFFF && location.offset != 0xFFFFFFFF) {
        return location;
    }
    unsigned char locator[zip64LocatorSize];
    unsigned char record[zip64EndRecordSize];
    if (endPosition < zip64LocatorSize ||
        !readArchiveBytes(archive, endPosition - zip64LocatorSize, locator, sizeof locator)) {
        return location;
    }
    const std::uint64_t recordPosition = u64(locator + 8);
    if (recordPosition > static_cast<std::uint64_t>(archive.length) ||
        !readArchiveBytes(archive, static_cast<std::int64_t>(recordPosition), record, sizeof record)) {
        return location;
    }
    location.endPosition = static_cast<std::int64_t>(recordPosition);
    // The count is the low half of a 64-bit field taken as signed: it may come out
    // negative, which the caller clamps.
    location.count = static_cast<std::int32_t>(u32(record + 32));
    location.size = u64(record + 40);
    location.offset = u64(record + 48);
    return location;
}

// Counts the headers of the directory the way the main walk steps through them.
std::int64_t countHeaders(const std::vector<unsigned char>& directory) {
    const auto size = static_cast<std::int64_t>(directory.size());
    std::int64_t count = 0;
    for (std::int64_t at = 0; size - at >= centralHeaderSize;
         at += CentralHeader(directory.data() + at).length()) {
        ++count;
    }
    return count;
}

void clearTables(ZipArchive& archive) {
    archive.entries.clear();
    archive.buckets.clear();
    archive.total = 0;
}

// One pass over the directory. When it holds more headers than there are cells, sets
// `counted` to the number it holds (else -1). Returns the failure reason ("" for a
// failure without one), or null.
const char* indexDirectory(ZipArchive& archive, std::int32_t expectedCount, std::int64_t& counted) {
    counted = -1;
    unsigned char end[endRecordSize];
    const std::int64_t endPosition = findEndRecord(archive, end);
    if (endPosition == -1) {
        return "";
    }
    clearTables(archive);
    if (endPosition == 0) {
        return nullptr;
    }
    const DirectoryLocation location = locateDirectory(archive, endPosition, end);
    if (location.size > static_cast<std::uint64_t>(location.endPosition)) {
        return badDirectorySize;
    }
    const std::int64_t directoryStart = location.endPosition - static_cast<std::int64_t>(location.size);
    if (location.offset > static_cast<std::uint64_t>(directoryStart)) {
        return badDirectoryOffset;
    }
    archive.archiveStart = directoryStart - static_cast<std::int64_t>(location.offset);

    std::vector<unsigned char> directory(location.size);
    if (!readArchiveBytes(archive, directoryStart, directory.data(),
                          static_cast<std::int64_t>(location.size))) {
        return "error reading zip file";
    }
    const auto size = static_cast<std::int64_t>(location.size);
    // No directory holds more headers than fit into it at their smallest; anything the
    // record claims beyond that (or below zero) is clamped, and a recount finds the rest.
    const std::int64_t cells = std::clamp<std::int64_t>(expectedCount >= 0 ? expectedCount : location.count,
                                                        0, size / centralHeaderSize);
    if (size < centralHeaderSize) {
        return size == 0 && location.count == 0 ? nullptr : badHeaderSize;
    }
    archive.entries.resize(static_cast<std::size_t>(cells));
    archive.buckets.assign(static_cast<std::size_t>((cells / 2) | 1), -1);

    std::int64_t taken = 0;
    std::int64_t at = 0;
    while (size - at >= centralHeaderSize) {
        if (taken == cells) {
            if (expectedCount >= 0) {
                return badHeaderSize;
            }
            counted = countHeaders(directory);
            return nullptr;
        }
        const CentralHeader header(directory.data() + at);
        if (header.signature() != centralHeaderSignature) {
            return "invalid CEN header (bad signature)";
        }
        if ((header.flags() & 1) != 0) {
            return "invalid CEN header (encrypted entry)";
        }
        if (header.method() != 0 && header.method() != 8) {
            return "invalid CEN header (bad compression method)";
        }
        const std::int64_t length = header.length();
        if (length > size - at) {
            return badHeaderSize;
        }
        const std::uint32_t hash = zipNameHash(header.name());
        ZipCell& cell = archive.entries[static_cast<std::size_t>(taken)];
        std::int32_t& bucket = archive.buckets[hash % archive.buckets.size()];
        cell = ZipCell{hash, bucket, directoryStart + at};
        bucket = static_cast<std::int32_t>(taken);
        ++taken;
        at += length;
    }
    if (at != size) {
        return badHeaderSize;
    }
    archive.entries.resize(static_cast<std::size_t>(taken));
    archive.total = static_cast<std::int32_t>(taken);
    return nullptr;
}

}  // namespace

std::uint32_t zipNameHash(std::string_view name, std::uint32_t hash) {
    for (const char c : name) {
        hash = 31 * hash + static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(c)));
    }
    return hash;
}

bool checkEndRecord(ZipArchive& archive, std::int64_t position, const unsigned char* record) {
    const std::int64_t directoryStart = position - u32(record + 12);
    if (directoryStart < 0) {
        return false;
    }
    const std::int64_t start = directoryStart - u32(record + 16);
    return start >= 0 && hasSignatureAt(archive, directoryStart, centralHeaderSignature) &&
           hasSignatureAt(archive, start, localHeaderSignature);
}

std::int64_t findEndRecord(ZipArchive& archive, unsigned char (&record)[endRecordSize]) {
    const std::int64_t length = archive.length;
    if (length < endRecordSize) {
        return -1;
    }
    const std::int64_t lowestStart = std::max<std::int64_t>(length - endSearchLength, 0) - windowStep;
    unsigned char window[windowSize];
    for (std::int64_t start = length - windowSize; start >= lowestStart; start -= windowStep) {
        const std::int64_t missing = start < 0 ? -start : 0;
        std::memset(window, 0, static_cast<std::size_t>(missing));
        if (!readArchiveBytes(archive, start + missing, window + missing, windowSize - missing)) {
            return -1;
        }
        for (std::int64_t i = windowStep; i >= 0; --i) {
            const unsigned char* candidate = window + i;
            if (!isEndSignature(candidate)) {
                continue;
            }
            const std::int64_t position = start + i;
            const std::uint16_t commentLength = u16(candidate + 20);
            if (position + endRecordSize + commentLength != length &&
                !checkEndRecord(archive, position, candidate)) {
                continue;
            }
            std::memcpy(record, candidate, endRecordSize);
            // A comment cut short by the end of the file keeps what is there.
            const std::int64_t available =
                std::min<std::int64_t>(commentLength, length - position - endRecordSize);
            archive.comment.assign(static_cast<std::size_t>(available), '\0');
            if (!readArchiveBytes(archive, position + endRecordSize, archive.comment.data(), available)) {
                return -1;
            }
            return position;
        }
    }
    return -1;
}

int readCentralDirectory(ZipArchive& archive, std::int32_t expectedCount) {
    try {
        for (;;) {
            archive.message = nullptr;
            std::int64_t counted = -1;
            const char* failure = indexDirectory(archive, expectedCount, counted);
            if (failure != nullptr) {
                clearTables(archive);
                archive.message = *failure != '\0' ? failure : nullptr;
                return -1;
            }
            if (counted < 0) {
                return 0;
            }
            // The end record stated fewer entries than the directory holds: start again
            // with room for all of them.
            if (counted > std::numeric_limits<std::int32_t>::max()) {
                clearTables(archive);
                archive.message = badHeaderSize;
                return -1;
            }
            expectedCount = static_cast<std::int32_t>(counted);
        }
    } catch (const std::bad_alloc&) {
        clearTables(archive);
        archive.message = nullptr;
        return -1;
    }
}

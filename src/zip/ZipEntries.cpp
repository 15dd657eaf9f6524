#include "zip/ZipEntries.h"

#include <algorithm>
#include <limits>
#include <mutex>
#include <new>
#include <vector>

#include "zip/CentralDirectory.h"
#include "zip/LittleEndian.h"

namespace {

using littleEndian::u16;
using littleEndian::u64;

// A lookup first reads this much of a header, enough for most names.
constexpr std::int64_t lookupReadSize = 160;
// Sequential access reads the central directory in blocks of this size.
constexpr std::int64_t cenBlockSize = 8192;

constexpr std::uint32_t zip64Marker = 0xFFFFFFFF;
constexpr std::uint16_t zip64ExtraTag = 1;

// A size from the archive as a signed value; one that does not fit cannot be right and
// becomes -1, which every reader refuses.
std::int64_t checkedSize(std::uint64_t value) {
    return value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())
               ? -1
               : static_cast<std::int64_t>(value);
}

struct Zip64Values {
    std::uint64_t size;
    std::uint64_t compressedSize;
    std::uint64_t localHeaderOffset;
};

// Takes the 64-bit values of the fields the header marks with 0xFFFFFFFF from the first
// extra block of tag 1. Every block header and value is checked against the field.
void readZip64Extra(const std::vector<unsigned char>& extra, std::uint32_t rawSize,
                    std::uint32_t rawCompressed, std::uint32_t rawOffset, Zip64Values& values) {
    const std::size_t length = extra.size();
    std::size_t at = 0;
    while (length - at >= 4) {
        const std::uint16_t tag = u16(extra.data() + at);
        const std::size_t blockEnd = std::min<std::size_t>(at + 4 + u16(extra.data() + at + 2), length);
        if (tag != zip64ExtraTag) {
            at = blockEnd;
            continue;
        }
        std::size_t value = at + 4;
        const auto take = [&](std::uint32_t raw, std::uint64_t& field) {
            if (raw != zip64Marker) {
                return true;
            }
            if (blockEnd - value < 8) {
                return false;
            }
            field = u64(extra.data() + value);
            value += 8;
            return true;
        };
        (void)(take(rawSize, values.size) && take(rawCompressed, values.compressedSize) &&
               take(rawOffset, values.localHeaderOffset));
        return;
    }
}

// Builds an entry from a whole central header (46 bytes plus its variable parts).
std::unique_ptr<vzentry> makeEntry(const ZipArchive& archive, const CentralHeader& header) {
    auto entry = std::make_unique<vzentry>();
    const bool stored = header.method() == 0;
    const std::uint32_t rawCompressed = header.compressedSize();
    const std::uint32_t rawSize = header.size();
    const std::uint32_t rawOffset = header.localHeaderOffset();

    entry->flags = header.flags();
    entry->time = header.dosTime();
    entry->crc = header.crc();
    entry->name = header.name();
    entry->extra.assign(header.extra(), header.extra() + header.extraLength());
    entry->comment = header.comment();

    Zip64Values values{rawSize, rawCompressed, rawOffset};
    if (rawSize == zip64Marker || rawCompressed == zip64Marker || rawOffset == zip64Marker) {
        readZip64Extra(entry->extra, rawSize, rawCompressed, rawOffset, values);
    }
    entry->size = checkedSize(values.size);
    entry->compressedSize = stored ? 0 : checkedSize(values.compressedSize);
    // A local header that cannot lie inside the file is placed at its end, where reading
    // it fails cleanly.
    const std::uint64_t room = static_cast<std::uint64_t>(archive.length - archive.archiveStart);
    const std::int64_t localHeader =
        values.localHeaderOffset < room
            ? archive.archiveStart + static_cast<std::int64_t>(values.localHeaderOffset)
            : archive.length;
    entry->dataPosition = -localHeader;
    return entry;
}

// Builds the entry of the header at `position` with reads of its own (lookups).
std::unique_ptr<vzentry> readEntry(ZipArchive& archive, std::int64_t position) {
    std::vector<unsigned char> header(
        static_cast<std::size_t>(std::clamp<std::int64_t>(archive.length - position, 0, lookupReadSize)));
    if (header.size() < centralHeaderSize ||
        !readArchiveBytes(archive, position, header.data(), static_cast<std::int64_t>(header.size()))) {
        return nullptr;
    }
    const std::int64_t length = CentralHeader(header.data()).length();
    if (length > static_cast<std::int64_t>(header.size())) {
        header.resize(static_cast<std::size_t>(length));
        if (!readArchiveBytes(archive, position, header.data(), length)) {
            return nullptr;
        }
    }
    return makeEntry(archive, CentralHeader(header.data()));
}

// The `length` bytes at `position` inside the archive's CEN block, reading a new block
// from `position` when the one held does not cover them. A header longer than a block
// gets a block of its own length. Null when the file ends first.
const unsigned char* cenBytes(ZipArchive& archive, std::int64_t position, std::int64_t length) {
    const auto held = static_cast<std::int64_t>(archive.cenBlock.size());
    if (position >= archive.cenBlockPosition && position - archive.cenBlockPosition <= held &&
        length <= held - (position - archive.cenBlockPosition)) {
        return archive.cenBlock.data() + (position - archive.cenBlockPosition);
    }
    const std::int64_t blockLength =
        std::min(std::max(cenBlockSize, length), std::max<std::int64_t>(archive.length - position, 0));
    if (blockLength < length) {
        return nullptr;
    }
    archive.cenBlock.resize(static_cast<std::size_t>(blockLength));
    if (!readArchiveBytes(archive, position, archive.cenBlock.data(), blockLength)) {
        archive.cenBlock.clear();
        return nullptr;
    }
    archive.cenBlockPosition = position;
    return archive.cenBlock.data();
}

}  // namespace

std::unique_ptr<vzentry> ZIP_FindEntry(ZipArchive& archive, std::string name, bool addSlash) {
    const std::lock_guard<CriticalSection> guard(archive.lock);
    try {
        if (archive.total == 0) {
            return nullptr;
        }
        if (archive.cachedEntry && archive.cachedEntry->name == name) {
            return std::move(archive.cachedEntry);
        }
        std::uint32_t hash = zipNameHash(name);
        for (;;) {
            std::int32_t index = archive.buckets[hash % archive.buckets.size()];
            while (index != -1) {
                const ZipCell& cell = archive.entries[static_cast<std::size_t>(index)];
                if (cell.hash == hash) {
                    std::unique_ptr<vzentry> entry = readEntry(archive, cell.position);
                    if (entry && entry->name == name) {
                        return entry;
                    }
                    if (entry) {
                        releaseEntry(archive, std::move(entry));
                    }
                }
                index = cell.next;
            }
            if (!addSlash || (!name.empty() && name.back() == '/')) {
                return nullptr;
            }
            name += '/';
            hash = zipNameHash("/", hash);
            addSlash = false;
        }
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

std::unique_ptr<vzentry> entryAt(ZipArchive& archive, std::int32_t index) {
    const std::lock_guard<CriticalSection> guard(archive.lock);
    if (index < 0 || index >= archive.total) {
        return nullptr;
    }
    try {
        const std::int64_t position = archive.entries[static_cast<std::size_t>(index)].position;
        const unsigned char* fixed = cenBytes(archive, position, centralHeaderSize);
        if (fixed == nullptr) {
            return nullptr;
        }
        const unsigned char* whole = cenBytes(archive, position, CentralHeader(fixed).length());
        return whole == nullptr ? nullptr : makeEntry(archive, CentralHeader(whole));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void releaseEntry(ZipArchive& archive, std::unique_ptr<vzentry> entry) {
    const std::lock_guard<CriticalSection> guard(archive.lock);
    archive.cachedEntry = std::move(entry);
}

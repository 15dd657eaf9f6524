#include "zip/ZipRead.h"

#include "zip/CentralDirectory.h"
#include "zip/LittleEndian.h"

std::int64_t entryDataOffset(ZipArchive& archive, vzentry& entry) {
    if (entry.dataPosition > 0) {
        return entry.dataPosition;
    }
    const std::int64_t headerPosition = -entry.dataPosition;
    unsigned char header[localHeaderSize];
    if (!readArchiveBytes(archive, headerPosition, header, sizeof header)) {
        archive.message = "error reading zip file";
        return -1;
    }
    if (littleEndian::u32(header) != localHeaderSignature) {
        archive.message = "invalid LOC header (bad signature)";
        return -1;
    }
    // The local header's own name and extra lengths; they may differ from the central ones.
    entry.dataPosition =
        headerPosition + localHeaderSize + littleEndian::u16(header + 26) + littleEndian::u16(header + 28);
    return entry.dataPosition;
}

std::int64_t ZIP_Read(ZipArchive& archive, vzentry* entry, std::int64_t offset, void* buffer,
                      std::int64_t length) {
    archive.message = nullptr;
    if (entry == nullptr) {
        archive.message = "ZIP_Read: vzentry is NULL";
        return -1;
    }
    const std::int64_t extent = entry->compressedSize != 0 ? entry->compressedSize : entry->size;
    if (offset < 0 || offset >= extent) {
        archive.message = "ZIP_Read: specified offset out of range";
        return -1;
    }
    if (length <= 0) {
        return 0;
    }
    if (length > extent - offset) {
        length = extent - offset;
    }
    const std::int64_t data = entryDataOffset(archive, *entry);
    if (data < 0) {
        return -1;
    }
    if (data > archive.length || offset > archive.length - data || length > archive.length - data - offset) {
        archive.message = "ZIP_Read: corrupt zip file: invalid entry size";
        return -1;
    }
    if (!readArchiveBytes(archive, data + offset, buffer, length)) {
        archive.message = "ZIP_Read: error reading zip file";
        return -1;
    }
    return length;
}

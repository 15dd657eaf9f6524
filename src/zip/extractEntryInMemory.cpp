#include "zip/extractEntryInMemory.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <stdexcept>

#include "diag/Logger.h"
#include "diag/VdsError.h"
#include "zip/InflateFully.h"
#include "zip/ZipRead.h"

namespace {

constexpr std::int64_t largestRead = 0x7FFFFFFF;
// Deflate cannot expand a byte of input into more than 1,032 bytes of output; an entry
// that claims more cannot be right and is refused before memory is set aside for it.
constexpr std::int64_t deflateMaxRatio = 1032;
constexpr std::int64_t deflateSlack = 64;

const char* const invalidEntrySize = "ZIP_Read: corrupt zip file: invalid entry size";

bool plausibleSizes(const ZipArchive& archive, const vzentry& entry) {
    if (entry.size < 0 || entry.compressedSize < 0 || entry.compressedSize > archive.length) {
        return false;
    }
    if (entry.compressedSize == 0) {
        return entry.size <= archive.length;
    }
    return entry.size / deflateMaxRatio <= entry.compressedSize + deflateSlack;
}

std::uint32_t crc32Of(const char* data, std::int64_t length) {
    uLong crc = crc32(0L, Z_NULL, 0);
    const auto* bytes = reinterpret_cast<const Bytef*>(data);
    while (length > 0) {
        const auto piece = static_cast<uInt>(std::min<std::int64_t>(length, largestRead));
        crc = crc32(crc, bytes, piece);
        bytes += piece;
        length -= piece;
    }
    return static_cast<std::uint32_t>(crc);
}

}  // namespace

const char* extractEntryInMemory::read(vzentry& entry) {
    if (!plausibleSizes(archive_, entry)) {
        archive_.message = invalidEntrySize;
        return "";
    }
    const auto size = static_cast<std::size_t>(entry.size);
    if (size > capacity_) {
        buffer_.reset();
        buffer_.reset(new char[size]);
        capacity_ = size;
    }
    if (entry.compressedSize != 0) {
        const char* reason = inflateFully(archive_, entry, buffer_.get(), entry.compressedSize);
        if (reason != nullptr) {
            return reason;
        }
    } else {
        for (std::int64_t done = 0; done < entry.size;) {
            const std::lock_guard<CriticalSection> guard(archive_.lock);
            const std::int64_t read = ZIP_Read(archive_, &entry, done, buffer_.get() + done,
                                               std::min(entry.size - done, largestRead));
            if (read <= 0) {
                return "";
            }
            done += read;
        }
    }
    if (crc32Of(buffer_.get(), entry.size) != entry.crc) {
        return "ZIP_ReadEntry: entry data does not match its CRC-32";
    }
    return nullptr;
}

std::string_view extractEntryInMemory::operator()(ZipFileEntry& entry) {
    vzentry& held = entry.get();
    errno = 0;
    archive_.message = nullptr;
    const char* reason = nullptr;
    try {
        reason = read(held);
    } catch (const std::bad_alloc&) {
        reason = "";
        errno = ENOMEM;
    }
    if (reason == nullptr) {
        const std::string_view data(buffer_.get(), static_cast<std::size_t>(held.size));
        entry.release();
        return data;
    }
    const char* text = reason != nullptr && *reason != '\0' ? reason
                       : archive_.message != nullptr        ? archive_.message
                                                            : std::strerror(errno);
    std::fprintf(stderr, "%s: %s\n", archive_.name.c_str(), text);
    LOG_ERROR("extractEntryInMemory::operator()", archive_.name << ": " << held.name << ": " << text);
    VDS_THROW(std::runtime_error, "extractEntryInMemory::operator()",
              "ZIP_ReadEntry(" + archive_.name + ", " + held.name + ") failed");
}

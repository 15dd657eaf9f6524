#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One entry of an open archive as its central-directory header describes it. Whoever
// looked it up owns it until it is given back with releaseEntry.
struct vzentry {
    std::string name;                  // as stored, no conversion
    std::uint32_t time = 0;            // DOS time and date as one little-endian value
    std::int64_t size = 0;             // uncompressed size
    std::int64_t compressedSize = 0;   // 0 for a stored entry
    std::uint32_t crc = 0;             // CRC-32 of the uncompressed data
    std::string comment;               // the entry comment, empty when there is none
    std::vector<unsigned char> extra;  // the extra field, empty when there is none
    // While not positive: minus the file position of the local header. Once the local
    // header has been read: the file position of the entry's data.
    std::int64_t dataPosition = 0;
    std::uint16_t flags = 0;
};

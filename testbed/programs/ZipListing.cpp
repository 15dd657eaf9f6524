#include "ZipListing.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace {

constexpr std::uint32_t endOfCentralDirectorySignature = 0x06054b50;
constexpr std::uint32_t centralEntrySignature = 0x02014b50;
constexpr std::size_t endRecordSize = 22;
constexpr std::size_t centralEntrySize = 46;

std::uint32_t readLe(const std::string& data, std::size_t offset, int width) {
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(data[offset + i]);
    }
    return value;
}

}  // namespace

std::vector<std::string> zipEntryNames(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot open " + path);
    }
    const std::string data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const auto invalid = [&path](const char* what) {
        return std::runtime_error(path + " is not a zip archive: " + what);
    };

    // The end record sits at the end, possibly followed by a comment of up to 64 KiB.
    if (data.size() < endRecordSize) {
        throw invalid("too short");
    }
    std::size_t end = data.size() - endRecordSize;
    const std::size_t lowest = end > 0xFFFF ? end - 0xFFFF : 0;
    while (readLe(data, end, 4) != endOfCentralDirectorySignature) {
        if (end == lowest) {
            throw invalid("no end of central directory");
        }
        --end;
    }
    const std::uint32_t count = readLe(data, end + 10, 2);
    std::size_t offset = readLe(data, end + 16, 4);

    std::vector<std::string> names;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (offset + centralEntrySize > end || readLe(data, offset, 4) != centralEntrySignature) {
            throw invalid("damaged central directory");
        }
        const std::size_t nameLength = readLe(data, offset + 28, 2);
        const std::size_t extraLength = readLe(data, offset + 30, 2);
        const std::size_t commentLength = readLe(data, offset + 32, 2);
        if (offset + centralEntrySize + nameLength > end) {
            throw invalid("damaged central directory");
        }
        names.push_back(data.substr(offset + centralEntrySize, nameLength));
        offset += centralEntrySize + nameLength + extraLength + commentLength;
    }
    return names;
}

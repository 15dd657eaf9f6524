#include "PatchBuilder.h"

#include <bzlib.h>

#include <stdexcept>

std::string encodeOfftin(std::int64_t value) {
    std::uint64_t bits =
        value < 0 ? static_cast<std::uint64_t>(-(value + 1)) + 1 : static_cast<std::uint64_t>(value);
    if (value < 0) {
        bits |= std::uint64_t{1} << 63;
    }
    std::string bytes(8, '\0');
    for (auto& byte : bytes) {
        byte = static_cast<char>(bits & 0xFF);
        bits >>= 8;
    }
    return bytes;
}

std::string bzip2(const std::string& data, int blockSize100k) {
    std::string compressed(data.size() + data.size() / 100 + 600, '\0');
    auto length = static_cast<unsigned int>(compressed.size());
    std::string input = data;
    if (BZ2_bzBuffToBuffCompress(compressed.data(), &length, input.data(),
                                 static_cast<unsigned int>(input.size()), blockSize100k, 0, 0) != BZ_OK) {
        throw std::runtime_error("bzip2 compression failed");
    }
    compressed.resize(length);
    return compressed;
}

std::string buildPatch(const PatchLayout& layout) {
    std::string control;
    for (const auto& triple : layout.triples) {
        for (std::int64_t value : triple) {
            control += encodeOfftin(value);
        }
    }
    const std::string controlBlock = layout.rawControl.value_or(bzip2(control, layout.blockSize100k));
    const std::string diffBlock = layout.rawDiff.value_or(bzip2(layout.diff, layout.blockSize100k));
    const std::string extraBlock = layout.rawExtra.value_or(bzip2(layout.extra, layout.blockSize100k));
    return layout.magic +
           encodeOfftin(layout.controlLength.value_or(static_cast<std::int64_t>(controlBlock.size()))) +
           encodeOfftin(layout.diffLength.value_or(static_cast<std::int64_t>(diffBlock.size()))) +
           encodeOfftin(layout.newSize) + controlBlock + diffBlock + extraBlock;
}

std::vector<bspatch::bzipblocks::Marker> bzipMarkers(const std::string& paddedStream) {
    namespace blocks = bspatch::bzipblocks;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(paddedStream.data());
    std::vector<blocks::Marker> markers;
    for (std::uint64_t from = blocks::kHeaderBits;;) {
        const auto marker = blocks::findMarker(bytes, from, paddedStream.size() - blocks::kLookahead);
        if (!marker) {
            throw std::runtime_error("a bzip2 stream without its end marker");
        }
        markers.push_back(*marker);
        if (marker->end) {
            return markers;
        }
        from = marker->bit + blocks::kMagicBits;
    }
}

std::vector<std::vector<std::uint8_t>> standaloneBlocks(const std::string& stream, char level) {
    const std::string padded = stream + std::string(bspatch::bzipblocks::kLookahead, '\0');
    const std::vector<bspatch::bzipblocks::Marker> markers = bzipMarkers(padded);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(padded.data());
    std::vector<std::vector<std::uint8_t>> blocks;
    for (std::size_t i = 0; i + 1 < markers.size(); ++i) {
        blocks.push_back(
            bspatch::bzipblocks::standaloneBlock(level, bytes, markers[i].bit, markers[i + 1].bit));
    }
    return blocks;
}

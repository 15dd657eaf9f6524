#pragma once

#include "BzipBlocks.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Writes BSDIFF40 patches by hand, valid or deliberately broken: every header field can
// be overridden and every block replaced by raw bytes, so that each way in which a hostile
// patch can lie is one table row.
struct PatchLayout {
    std::string magic = "BSDIFF40";
    // (add length, extra length, old-position seek) triples of the control block.
    std::vector<std::array<std::int64_t, 3>> triples;
    std::string diff;
    std::string extra;
    std::int64_t newSize = 0;
    // bzip2 block size in units of 100,000 bytes: small blocks give small multi-block streams.
    int blockSize100k = 9;

    // Raw replacements for the compressed blocks.
    std::optional<std::string> rawControl;
    std::optional<std::string> rawDiff;
    std::optional<std::string> rawExtra;
    // Header fields that lie about the blocks that follow.
    std::optional<std::int64_t> controlLength;
    std::optional<std::int64_t> diffLength;
};

// Eight bytes of the format's sign-magnitude integer.
std::string encodeOfftin(std::int64_t value);
std::string bzip2(const std::string& data, int blockSize100k = 9);
// The block markers of a bzip2 stream, its end marker last, as the patch tool finds them.
// `stream` must end with bzipblocks::kLookahead zero bytes beyond the stream itself.
std::vector<bspatch::bzipblocks::Marker> bzipMarkers(const std::string& paddedStream);
// Each block of a bzip2 stream of level `level` as a standalone one-block stream.
std::vector<std::vector<std::uint8_t>> standaloneBlocks(const std::string& stream, char level);
std::string buildPatch(const PatchLayout& layout);

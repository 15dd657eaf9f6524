// The patch library in-process: header decoding, and thousands of damaged patches that
// a crash would end this very process on.

#include "Bspatch.h"
#include "BzipBlocks.h"
#include "CorruptPatch.h"
#include "PatchHeader.h"

#include "HostileCases.h"
#include "PatchBuilder.h"
#include "PatchMutator.h"

#include "support/MutationBudget.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <bzlib.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <limits>
#include <random>

namespace {

using testsupport::readFileBytes;
using testsupport::writeFileText;

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();

struct OfftinCase {
    const char* bytes;  // 8 bytes, little-endian sign-magnitude
    std::int64_t value;
};

TEST(DecodeOfftin, ReadsSignAndMagnitude) {
    const OfftinCase cases[] = {
        {"\x00\x00\x00\x00\x00\x00\x00\x00", 0},
        {"\x01\x00\x00\x00\x00\x00\x00\x00", 1},
        {"\x01\x00\x00\x00\x00\x00\x00\x80", -1},
        {"\x00\x00\x00\x00\x00\x00\x00\x80", 0},  // negative zero
        {"\x34\x12\x00\x00\x00\x00\x00\x00", 0x1234},
        {"\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x7F", kMax},
        {"\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", -kMax},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(bspatch::decodeOfftin(reinterpret_cast<const std::uint8_t*>(c.bytes)), c.value);
    }
    for (const std::int64_t value : {std::int64_t{0}, std::int64_t{-5}, std::int64_t{1} << 40, -kMax, kMax}) {
        EXPECT_EQ(bspatch::decodeOfftin(reinterpret_cast<const std::uint8_t*>(encodeOfftin(value).data())),
                  value);
    }
}

bspatch::PatchHeader parse(const std::string& header, std::int64_t fileSize) {
    std::uint8_t bytes[bspatch::PatchHeader::kSize];
    std::memcpy(bytes, header.data(), sizeof bytes);
    return bspatch::PatchHeader::parse(bytes, fileSize);
}

std::string header(std::int64_t control, std::int64_t diff, std::int64_t newSize) {
    return "BSDIFF40" + encodeOfftin(control) + encodeOfftin(diff) + encodeOfftin(newSize);
}

TEST(PatchHeader, LocatesTheThreeBlocks) {
    const auto parsed = parse(header(10, 20, 1000), 32 + 10 + 20 + 5);
    EXPECT_EQ(parsed.newSize, 1000);
    EXPECT_EQ(parsed.controlOffset(), 32);
    EXPECT_EQ(parsed.diffOffset(), 42);
    EXPECT_EQ(parsed.extraOffset(), 62);
    EXPECT_EQ(parsed.extraLength, 5);
    EXPECT_EQ(parse(header(0, 0, 0), 32).extraLength, 0);
}

TEST(PatchHeader, RefusesLiesAboutTheFile) {
    struct Case {
        std::string header;
        std::int64_t fileSize;
    };
    const Case cases[] = {
        {"BSDIFF39" + header(1, 1, 1).substr(8), 100},
        {header(-1, 1, 1), 100},
        {header(1, -1, 1), 100},
        {header(1, 1, -1), 100},
        {header(69, 0, 1), 100},
        {header(0, 69, 1), 100},
        {header(35, 34, 1), 100},
        {header(kMax, kMax, 1), kMax},
        {header(kMax - 31, 1, 1), kMax},
    };
    for (const auto& c : cases) {
        EXPECT_THROW(parse(c.header, c.fileSize), bspatch::CorruptPatch) << testing::PrintToString(c.header);
    }
    EXPECT_NO_THROW(parse(header(kMax - 32, 0, 1), kMax));
}

std::string bunzip2(const std::vector<std::uint8_t>& stream, std::size_t expectedSize) {
    std::string out(expectedSize + 1, '\0');
    auto length = static_cast<unsigned int>(out.size());
    std::vector<std::uint8_t> input = stream;
    const int rc = BZ2_bzBuffToBuffDecompress(out.data(), &length, reinterpret_cast<char*>(input.data()),
                                              static_cast<unsigned int>(input.size()), 0, 0);
    EXPECT_EQ(rc, BZ_OK);
    out.resize(length);
    return out;
}

// Cutting a stream at its block markers gives standalone streams that decompress to the
// original data, block by block, at every bit alignment the blocks happen to have.
TEST(BzipBlocks, CutsAStreamIntoIndependentBlocks) {
    const std::string data =
        multiBlockPatch().layout.extra + multiBlockPatch().layout.diff;  // 500,000 random bytes
    const std::string stream = bzip2(data, 1);
    const std::vector<bspatch::bzipblocks::Marker> markers =
        bzipMarkers(stream + std::string(bspatch::bzipblocks::kLookahead, '\0'));
    ASSERT_EQ(markers.size(), 7u) << "six blocks of up to 100,000 bytes and the end marker";
    EXPECT_EQ(markers.front().bit, bspatch::bzipblocks::kHeaderBits);
    EXPECT_LT(markers.back().bit, stream.size() * 8);

    std::string joined;
    for (const std::vector<std::uint8_t>& block : standaloneBlocks(stream, '1')) {
        joined += bunzip2(block, 100000);
    }
    EXPECT_EQ(joined, data);
}

// The library sees many more damaged patches than the program test can start processes
// for; a crash, a hang or a wrong result fails these tests. The seed, the count and the
// time bound come from the environment (see MutationBudget); bench/hostile runs the
// loops long.
void applyDamagedPatches(const char* kind, const std::string& old, const std::string& patch,
                         const std::string& expected, int runs, unsigned seed) {
    const testsupport::TempFolder dir;
    const std::string oldPath = dir.file("old"), newPath = dir.file("new"), patchPath = dir.file("patch");
    writeFileText(oldPath, old);
    testsupport::MutationBudget budget(kind, runs, seed, std::chrono::seconds(600));
    int refused = 0;
    while (budget.next()) {
        writeFileText(patchPath, mutatePatch(patch, budget.random()));
        try {
            bspatch::applyPatchFile(oldPath, newPath, patchPath);
            ASSERT_EQ(readFileBytes(newPath), expected)
                << "run " << budget.ran() << " of seed " << budget.seed();
            std::filesystem::remove(newPath);
        } catch (const std::exception& error) {
            ++refused;
            ASSERT_EQ(dir.listing(), "old patch")
                << "run " << budget.ran() << " of seed " << budget.seed() << ": " << error.what();
        }
    }
    EXPECT_GT(refused, 0);
}

TEST(ApplyPatchFile, DamagedPatchesFailCleanly) {
    const std::string fixtures = testsupport::windowsPathFromEnvironment("BSPATCH_FIXTURES");
    applyDamagedPatches("patch", readFileBytes(fixtures + "\\small-related.old"),
                        readFileBytes(fixtures + "\\small-related.patch"),
                        readFileBytes(fixtures + "\\small-related.new"), 1000, 7);
}

// The same for streams of several blocks, which take the parallel path and its fallback.
TEST(ApplyPatchFile, DamagedMultiBlockPatchesFailCleanly) {
    const MultiBlockPatch multi = multiBlockPatch();
    applyDamagedPatches("patch-multiblock", kHostileOld, buildPatch(multi.layout), multi.expectedNew, 300,
                        11);
}

}  // namespace

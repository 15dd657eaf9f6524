// The patch tool's own bzip2 block decoder against what libbz2 compressed: every shape of
// data that exercises a different part of the format must come back byte for byte, and
// decoded by the decoder itself, not by the fallback to libbz2 that a failure starts.

#include "BlockDecoder.h"

#include "PatchBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

std::string randomBytes(std::size_t size, unsigned seed, int alphabet = 256) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> byte(0, alphabet - 1);
    std::string data(size, '\0');
    std::generate(data.begin(), data.end(), [&] { return static_cast<char>(byte(random)); });
    return data;
}

// Runs of every length around the run-length step's limits (4 and 4 + 255).
std::string runsOfEveryLength() {
    std::string data;
    for (int length = 1; length < 600; ++length) {
        data.append(static_cast<std::size_t>(length), static_cast<char>('a' + length % 3));
    }
    return data;
}

// Mostly zeros with a few small values: what a difference block holds.
std::string sparseDifferences(std::size_t size) {
    std::string data(size, '\0');
    std::mt19937 random(3);
    for (std::size_t at = 0; at < size; at += 1 + random() % 300) {
        data[at] = static_cast<char>(1 + random() % 4);
    }
    return data;
}

struct Shape {
    const char* name;
    std::string data;
    int level;
};

std::vector<Shape> shapes() {
    std::string allValues;
    for (int value = 0; value < 256; ++value) {
        allValues += static_cast<char>(value);
    }
    return {
        {"one byte", "x", 9},
        {"every byte value once", allValues, 9},
        {"random bytes, several level-1 blocks", randomBytes(350000, 1), 1},
        {"random bytes, one full level-9 block", randomBytes(1200000, 2), 9},
        {"two symbols only", randomBytes(200000, 4, 2), 9},
        {"runs of every length", runsOfEveryLength(), 1},
        {"zeros: one block that expands to megabytes", std::string(30 << 20, '\0'), 9},
        {"sparse differences", sparseDifferences(3 << 20), 9},
        {"text-like", randomBytes(400000, 5, 40), 2},
    };
}

// Decodes a standalone block in pieces of `piece` bytes.
std::string decodeInPieces(const std::vector<std::uint8_t>& block, std::size_t piece,
                           bspatch::BlockDecoder::Status& last) {
    bspatch::BlockDecoder decoder(block);
    std::string out;
    std::string buffer(piece, '\0');
    for (;;) {
        const auto result = decoder.decode(reinterpret_cast<std::uint8_t*>(buffer.data()), piece);
        out.append(buffer, 0, result.produced);
        last = result.status;
        if (result.status != bspatch::BlockDecoder::Status::More) {
            return out;
        }
    }
}

TEST(BlockDecoder, DecodesWhatLibbz2Compressed) {
    for (const Shape& shape : shapes()) {
        SCOPED_TRACE(shape.name);
        const std::string stream = bzip2(shape.data, shape.level);
        for (const std::size_t piece : {std::size_t{1} << 26, std::size_t{4096}, std::size_t{7}}) {
            if (piece < 4096 && shape.data.size() > (1 << 20)) {
                continue;  // tiny pieces of megabytes add nothing but time
            }
            std::string joined;
            for (const std::vector<std::uint8_t>& block :
                 standaloneBlocks(stream, static_cast<char>('0' + shape.level))) {
                bspatch::BlockDecoder::Status status{};
                joined += decodeInPieces(block, piece, status);
                ASSERT_EQ(status, bspatch::BlockDecoder::Status::Finished) << "pieces of " << piece;
            }
            ASSERT_EQ(joined.size(), shape.data.size()) << "pieces of " << piece;
            EXPECT_TRUE(joined == shape.data) << "pieces of " << piece;
        }
    }
}

// A damaged block is never reported as decoded: whatever is flipped, the result is either
// the original bytes (a bit that does not matter) or Failed.
TEST(BlockDecoder, NeverFinishesADamagedBlockWithOtherBytes) {
    const std::string data = randomBytes(60000, 6, 30) + runsOfEveryLength();
    const std::vector<std::uint8_t> block = standaloneBlocks(bzip2(data, 9), '9').at(0);
    std::mt19937 random(8);
    int failed = 0;
    for (int run = 0; run < 400; ++run) {
        std::vector<std::uint8_t> damaged = block;
        // Past the stream header; the block's own header (magic, CRC, origin) included.
        const std::size_t at = 4 + random() % (damaged.size() - 4);
        damaged[at] ^= static_cast<std::uint8_t>(1u << (random() % 8));
        bspatch::BlockDecoder::Status status{};
        const std::string out = decodeInPieces(damaged, 1 << 20, status);
        if (status == bspatch::BlockDecoder::Status::Finished) {
            ASSERT_TRUE(out == data) << "byte " << at << " flipped";
        } else {
            ASSERT_EQ(status, bspatch::BlockDecoder::Status::Failed);
            ++failed;
        }
    }
    EXPECT_GT(failed, 300);
}

// The randomised form that bzip2 0.9.0 wrote is left to libbz2: the decoder fails it.
TEST(BlockDecoder, LeavesRandomisedBlocksToLibbz2) {
    std::vector<std::uint8_t> block = standaloneBlocks(bzip2(randomBytes(1000, 9), 9), '9').at(0);
    // The flag follows the 4-byte stream header, the 48-bit magic and the 32-bit CRC.
    block[4 + 10] |= 0x80;
    bspatch::BlockDecoder::Status status{};
    decodeInPieces(block, 4096, status);
    EXPECT_EQ(status, bspatch::BlockDecoder::Status::Failed);
}

}  // namespace

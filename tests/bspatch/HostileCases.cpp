#include "HostileCases.h"

#include <limits>
#include <random>

namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();

// A well-formed patch turning kHostileOld into 16 bytes: 8 added, 8 extra.
PatchLayout wellFormed() {
    PatchLayout layout;
    layout.triples = {{8, 8, 0}};
    layout.diff = std::string(8, '\1');
    layout.extra = "EXTRA!!!";
    layout.newSize = 16;
    return layout;
}

template <typename Change>
std::string variant(Change change) {
    PatchLayout layout = wellFormed();
    change(layout);
    return buildPatch(layout);
}

std::string randomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (auto& byte : bytes) {
        byte = static_cast<char>(random() & 0xFF);
    }
    return bytes;
}

}  // namespace

MultiBlockPatch multiBlockPatch() {
    // 250,000 added bytes then 250,000 extra bytes, in blocks of 100,000: three blocks each.
    constexpr std::int64_t kHalf = 250000;
    MultiBlockPatch result;
    PatchLayout& layout = result.layout;
    layout.blockSize100k = 1;
    layout.triples = {{kHalf, kHalf, 0}};
    layout.diff = randomBytes(kHalf, 1);
    layout.extra = randomBytes(kHalf, 2);
    layout.newSize = 2 * kHalf;
    result.expectedNew = layout.diff + layout.extra;
    for (std::size_t i = 0; i < kHostileOld.size(); ++i) {
        result.expectedNew[i] = static_cast<char>(result.expectedNew[i] + kHostileOld[i]);
    }
    return result;
}

std::vector<HostileCase> hostileCases() {
    const std::string valid = buildPatch(wellFormed());
    std::vector<HostileCase> cases = {
        // The header.
        {"EmptyFile", "", "shorter than the 32-byte header"},
        {"ShortHeader", valid.substr(0, 31), "shorter than the 32-byte header"},
        {"WrongMagic", variant([](PatchLayout& s) { s.magic = "BSDIFF41"; }),
         "does not start with \"BSDIFF40\""},
        {"NegativeControlLength", variant([](PatchLayout& s) { s.controlLength = -1; }),
         "negative control block length"},
        {"NegativeDiffLength", variant([](PatchLayout& s) { s.diffLength = -40; }),
         "negative difference block length"},
        {"NegativeNewSize", variant([](PatchLayout& s) { s.newSize = -16; }), "negative new file size"},
        {"ControlLengthPastEnd", variant([](PatchLayout& s) { s.controlLength = 100000; }), "only"},
        {"MaximalControlLength", variant([](PatchLayout& s) { s.controlLength = kMax; }), "only"},
        {"LengthsOverflowWhenAdded", variant([](PatchLayout& s) {
             s.controlLength = kMax / 2 + 1;
             s.diffLength = kMax / 2 + 1;
         }),
         "only"},
        {"NewSizeBeyondMemory", variant([](PatchLayout& s) { s.newSize = std::int64_t{1} << 60; }),
         "not enough room for the new file"},
        {"NewSizeLargerThanTriplesFill", variant([](PatchLayout& s) { s.newSize = 17; }),
         "control block ends too soon"},
        {"NewSizeSmallerThanTriplesFill", variant([](PatchLayout& s) { s.newSize = 15; }), "past the end"},
        {"ControlLengthTooShort", variant([](PatchLayout& s) {
             const std::string control = encodeOfftin(8) + encodeOfftin(8) + encodeOfftin(0);
             s.controlLength = static_cast<std::int64_t>(bzip2(control).size()) - 5;
         }),
         "Corrupt patch"},
        // The control triples: the overflow class of the classic tool.
        {"NegativeAddLength", variant([](PatchLayout& s) {
             s.triples = {{-1, 17, 0}};
         }),
         "negative length"},
        {"NegativeExtraLength", variant([](PatchLayout& s) {
             s.triples = {{8, -8, 0}, {8, 8, 0}};
         }),
         "negative length"},
        {"AddPastEnd", variant([](PatchLayout& s) {
             s.triples = {{17, 0, 0}};
         }),
         "adds 17 bytes at 0, past the end"},
        {"ExtraPastEnd", variant([](PatchLayout& s) {
             s.triples = {{8, 9, 0}};
         }),
         "copies 9 extra bytes at 8"},
        {"AddLengthOverflowsPosition", variant([](PatchLayout& s) {
             s.triples = {{8, 0, 0}, {kMax, 0, 0}};
         }),
         "past the end"},
        {"ExtraLengthOverflowsPosition", variant([](PatchLayout& s) {
             s.triples = {{8, kMax, 0}};
         }),
         "past the end"},
        {"SeekOverflowsOldPosition", variant([](PatchLayout& s) {
             s.triples = {{0, 0, kMax}, {8, 8, kMax}};
         }),
         "old position out of range"},
        {"SeekUnderflowsOldPosition", variant([](PatchLayout& s) {
             s.triples = {{0, 0, -kMax}, {0, 0, -kMax}, {8, 8, 0}};
         }),
         "old position out of range"},
        {"TripleAfterTheEnd", variant([](PatchLayout& s) {
             s.triples = {{8, 8, 0}, {0, 0, 0}};
         }),
         "control block holds more data"},
        {"ControlBlockCutMidTriple",
         variant([](PatchLayout& s) { s.rawControl = bzip2(std::string(20, '\0')); }),
         "control block ends too soon"},
        {"ControlBlockNotBzip2", variant([](PatchLayout& s) { s.rawControl = "this is not bzip2 data"; }),
         "control block is not bzip2 data"},
        // The difference and extra blocks.
        {"DiffBlockShort", variant([](PatchLayout& s) { s.diff = "\1\1\1"; }),
         "difference block ends too soon"},
        {"ExtraBlockShort", variant([](PatchLayout& s) { s.extra = "EXTRA"; }), "extra block ends too soon"},
        {"DiffBlockSurplus", variant([](PatchLayout& s) { s.diff = std::string(9, '\1'); }),
         "difference block holds more data"},
        {"ExtraBlockSurplus", variant([](PatchLayout& s) { s.extra = "EXTRA!!!!"; }),
         "extra block holds more data"},
        {"DiffBlockNotBzip2", variant([](PatchLayout& s) { s.rawDiff = "BZh9 but not really"; }),
         "difference block is"},
        {"ExtraBlockMissing", variant([](PatchLayout& s) { s.rawExtra = ""; }), "extra block is truncated"},
    };
    // A damaged byte inside a compressed block: the bzip2 checks must catch it.
    std::string damaged = valid;
    damaged[damaged.size() - 12] ^= 0x10;
    cases.push_back({"ExtraBlockDamaged", damaged, "Corrupt patch"});
    // Damage in the second of several bzip2 blocks, found after the first was delivered,
    // and a wrong combined CRC, found only after every block decoded well.
    const PatchLayout multi = multiBlockPatch().layout;
    std::string extra = bzip2(multi.extra, 1);
    extra[extra.size() / 2] ^= 0x01;
    PatchLayout middleDamaged = multi;
    middleDamaged.rawExtra = extra;
    cases.push_back({"MiddleBlockDamaged", buildPatch(middleDamaged), "extra block is damaged"});
    std::string diff = bzip2(multi.diff, 1);
    diff[diff.size() - 2] ^= 0x01;  // inside the stream CRC, whatever the padding
    PatchLayout crcDamaged = multi;
    crcDamaged.rawDiff = diff;
    cases.push_back({"StreamCrcDamaged", buildPatch(crcDamaged), "difference block is damaged"});
    return cases;
}

std::vector<EdgeCase> edgeCases() {
    const auto patch = [](std::vector<std::array<std::int64_t, 3>> triples, std::string diff,
                          std::string extra, std::int64_t newSize) {
        PatchLayout layout;
        layout.triples = std::move(triples);
        layout.diff = std::move(diff);
        layout.extra = std::move(extra);
        layout.newSize = newSize;
        return buildPatch(layout);
    };
    // kHostileOld is "0123456789abcdef".
    return {
        {"AddBeforeTheOldFile", patch({{0, 0, -2}, {4, 0, 0}}, "\1\1\1\1", "", 4),
         std::string("\1\1") + "12"},
        {"AddPastTheOldFile", patch({{2, 0, 100}, {2, 0, 0}}, "\1\1\7\7", "", 4), "12\7\7"},
        {"AddAcrossTheOldEnd", patch({{0, 0, 15}, {3, 0, 0}}, "\1\1\1", "", 3), "g\1\1"},
        {"FarSeeksBothWays",
         patch({{0, 0, std::int64_t{1} << 62}, {1, 0, -(std::int64_t{1} << 62) - 1}, {2, 1, 0}}, "\5\1\1",
               "!", 4),
         "\5"
         "12!"},
        {"ExtraOnly", patch({{0, 5, -3}}, "", "hello", 5), "hello"},
    };
}

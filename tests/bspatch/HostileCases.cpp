#include "HostileCases.h"

#include <limits>
#include <random>

namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();

// A well-formed patch turning kHostileOld into 16 bytes: 8 added, 8 extra.
PatchSpec wellFormed() {
    PatchSpec spec;
    spec.triples = {{8, 8, 0}};
    spec.diff = std::string(8, '\1');
    spec.extra = "EXTRA!!!";
    spec.newSize = 16;
    return spec;
}

template <typename Change>
std::string variant(Change change) {
    PatchSpec spec = wellFormed();
    change(spec);
    return buildPatch(spec);
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
    PatchSpec& spec = result.spec;
    spec.blockSize100k = 1;
    spec.triples = {{kHalf, kHalf, 0}};
    spec.diff = randomBytes(kHalf, 1);
    spec.extra = randomBytes(kHalf, 2);
    spec.newSize = 2 * kHalf;
    result.expectedNew = spec.diff + spec.extra;
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
        {"WrongMagic", variant([](PatchSpec& s) { s.magic = "BSDIFF41"; }),
         "does not start with \"BSDIFF40\""},
        {"NegativeControlLength", variant([](PatchSpec& s) { s.controlLength = -1; }),
         "negative control block length"},
        {"NegativeDiffLength", variant([](PatchSpec& s) { s.diffLength = -40; }),
         "negative difference block length"},
        {"NegativeNewSize", variant([](PatchSpec& s) { s.newSize = -16; }), "negative new file size"},
        {"ControlLengthPastEnd", variant([](PatchSpec& s) { s.controlLength = 100000; }), "only"},
        {"MaximalControlLength", variant([](PatchSpec& s) { s.controlLength = kMax; }), "only"},
        {"LengthsOverflowWhenAdded", variant([](PatchSpec& s) {
             s.controlLength = kMax / 2 + 1;
             s.diffLength = kMax / 2 + 1;
         }),
         "only"},
        {"NewSizeBeyondMemory", variant([](PatchSpec& s) { s.newSize = std::int64_t{1} << 60; }),
         "not enough memory for the new file"},
        {"NewSizeLargerThanTriplesFill", variant([](PatchSpec& s) { s.newSize = 17; }),
         "control block ends too soon"},
        {"NewSizeSmallerThanTriplesFill", variant([](PatchSpec& s) { s.newSize = 15; }), "past the end"},
        {"ControlLengthTooShort", variant([](PatchSpec& s) {
             const std::string control = encodeOfftin(8) + encodeOfftin(8) + encodeOfftin(0);
             s.controlLength = static_cast<std::int64_t>(bzip2(control).size()) - 5;
         }),
         "Corrupt patch"},
        // The control triples: the overflow class of the classic tool.
        {"NegativeAddLength", variant([](PatchSpec& s) {
             s.triples = {{-1, 17, 0}};
         }),
         "negative length"},
        {"NegativeExtraLength", variant([](PatchSpec& s) {
             s.triples = {{8, -8, 0}, {8, 8, 0}};
         }),
         "negative length"},
        {"AddPastEnd", variant([](PatchSpec& s) {
             s.triples = {{17, 0, 0}};
         }),
         "adds 17 bytes at 0, past the end"},
        {"ExtraPastEnd", variant([](PatchSpec& s) {
             s.triples = {{8, 9, 0}};
         }),
         "copies 9 extra bytes at 8"},
        {"AddLengthOverflowsPosition", variant([](PatchSpec& s) {
             s.triples = {{8, 0, 0}, {kMax, 0, 0}};
         }),
         "past the end"},
        {"ExtraLengthOverflowsPosition", variant([](PatchSpec& s) {
             s.triples = {{8, kMax, 0}};
         }),
         "past the end"},
        {"SeekOverflowsOldPosition", variant([](PatchSpec& s) {
             s.triples = {{0, 0, kMax}, {8, 8, kMax}};
         }),
         "old position out of range"},
        {"SeekUnderflowsOldPosition", variant([](PatchSpec& s) {
             s.triples = {{0, 0, -kMax}, {0, 0, -kMax}, {8, 8, 0}};
         }),
         "old position out of range"},
        {"TripleAfterTheEnd", variant([](PatchSpec& s) {
             s.triples = {{8, 8, 0}, {0, 0, 0}};
         }),
         "control block holds more data"},
        {"ControlBlockCutMidTriple",
         variant([](PatchSpec& s) { s.rawControl = bzip2(std::string(20, '\0')); }),
         "control block ends too soon"},
        {"ControlBlockNotBzip2", variant([](PatchSpec& s) { s.rawControl = "this is not bzip2 data"; }),
         "control block is not bzip2 data"},
        // The difference and extra blocks.
        {"DiffBlockShort", variant([](PatchSpec& s) { s.diff = "\1\1\1"; }),
         "difference block ends too soon"},
        {"ExtraBlockShort", variant([](PatchSpec& s) { s.extra = "EXTRA"; }), "extra block ends too soon"},
        {"DiffBlockSurplus", variant([](PatchSpec& s) { s.diff = std::string(9, '\1'); }),
         "difference block holds more data"},
        {"ExtraBlockSurplus", variant([](PatchSpec& s) { s.extra = "EXTRA!!!!"; }),
         "extra block holds more data"},
        {"DiffBlockNotBzip2", variant([](PatchSpec& s) { s.rawDiff = "BZh9 but not really"; }),
         "difference block is"},
        {"ExtraBlockMissing", variant([](PatchSpec& s) { s.rawExtra = ""; }), "extra block is truncated"},
    };
    // A damaged byte inside a compressed block: the bzip2 checks must catch it.
    std::string damaged = valid;
    damaged[damaged.size() - 12] ^= 0x10;
    cases.push_back({"ExtraBlockDamaged", damaged, "Corrupt patch"});
    // Damage in the second of several bzip2 blocks, found after the first was delivered,
    // and a wrong combined CRC, found only after every block decoded well.
    const PatchSpec multi = multiBlockPatch().spec;
    std::string extra = bzip2(multi.extra, 1);
    extra[extra.size() / 2] ^= 0x01;
    PatchSpec middleDamaged = multi;
    middleDamaged.rawExtra = extra;
    cases.push_back({"MiddleBlockDamaged", buildPatch(middleDamaged), "extra block is damaged"});
    std::string diff = bzip2(multi.diff, 1);
    diff[diff.size() - 2] ^= 0x01;  // inside the stream CRC, whatever the padding
    PatchSpec crcDamaged = multi;
    crcDamaged.rawDiff = diff;
    cases.push_back({"StreamCrcDamaged", buildPatch(crcDamaged), "difference block is damaged"});
    return cases;
}

std::vector<EdgeCase> edgeCases() {
    const auto patch = [](std::vector<std::array<std::int64_t, 3>> triples, std::string diff,
                          std::string extra, std::int64_t newSize) {
        PatchSpec spec;
        spec.triples = std::move(triples);
        spec.diff = std::move(diff);
        spec.extra = std::move(extra);
        spec.newSize = newSize;
        return buildPatch(spec);
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

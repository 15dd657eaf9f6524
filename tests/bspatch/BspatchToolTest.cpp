// Runs the real bspatch.exe as a child process: valid patches rebuild their new files
// byte for byte; truncated, hand-made hostile and randomly damaged patches end with exit
// code 1, a reason on stderr, no crash and no output file.

#include "HostileCases.h"
#include "PatchMutator.h"

#include "support/CapturedChild.h"
#include "support/ChildProcess.h"
#include "support/SmallDisk.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

using testsupport::readFileBytes;
using testsupport::writeFileText;

const std::string& tool() {
    static const std::string path = testsupport::windowsPathFromEnvironment("BSPATCH_EXE");
    return path;
}

std::string fixture(const std::string& name) {
    static const std::string folder = testsupport::windowsPathFromEnvironment("BSPATCH_FIXTURES");
    return folder + "\\" + name;
}

// One run of the tool: its full 32-bit exit code (the code of an access violation,
// 0xC0000005, survives intact; kEndedByTest when it ran out of time), whether it had to
// be ended, and what it wrote to stdout and stderr.
constexpr DWORD kEndedByTest = 0xDEAD;

struct ChildResult {
    DWORD exitCode = 0;
    bool timedOut = false;
    std::string output;
};

ChildResult runChild(const std::string& program, const std::vector<std::string>& arguments,
                     DWORD timeoutMs = 60000) {
    testsupport::CapturedChild child(testsupport::buildCommandLine(program, arguments));
    const std::optional<DWORD> exitCode = child.waitFor(timeoutMs);
    return {exitCode.value_or(kEndedByTest), !exitCode, child.output()};
}

ChildResult runTool(const std::string& oldFile, const std::string& newFile, const std::string& patchFile) {
    return runChild(tool(), {oldFile, newFile, patchFile});
}

// Applies `patch` to `old` in a fresh folder and checks the refusal: exit code 1 (never
// a crash code), a message containing `expected`, and no file besides the inputs.
void expectRefused(const std::string& old, const std::string& patch, const std::string& expected) {
    const testsupport::TempFolder dir;
    writeFileText(dir.file("old"), old);
    writeFileText(dir.file("patch"), patch);
    const ChildResult result = runTool(dir.file("old"), dir.file("new"), dir.file("patch"));
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 1u) << std::hex << "exit code 0x" << result.exitCode << ": " << result.output;
    EXPECT_NE(result.output.find(expected), std::string::npos) << result.output;
    EXPECT_EQ(dir.listing(), "old patch");
}

class ValidPatch : public testing::TestWithParam<const char*> {};

TEST_P(ValidPatch, RebuildsTheNewFileExactly) {
    const std::string name = GetParam();
    const testsupport::TempFolder dir;
    const ChildResult result = runTool(fixture(name + ".old"), dir.file("new"), fixture(name + ".patch"));
    ASSERT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_EQ(readFileBytes(dir.file("new")), readFileBytes(fixture(name + ".new")));
    EXPECT_EQ(dir.listing(), "new") << "no temporary file may be left behind";
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ValidPatch,
                         testing::Values("empty-to-empty", "empty-to-tiny", "tiny-to-empty", "tiny",
                                         "small-related", "related", "unrelated", "large-unrelated"),
                         [](const auto& info) {
                             std::string name = info.param;
                             std::erase(name, '-');
                             return name;
                         });

TEST(BspatchTool, PatchesInPlaceWhenOldAndNewAreTheSameFile) {
    const testsupport::TempFolder dir;
    writeFileText(dir.file("image"), readFileBytes(fixture("related.old")));
    const ChildResult result = runTool(dir.file("image"), dir.file("image"), fixture("related.patch"));
    ASSERT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_EQ(readFileBytes(dir.file("image")), readFileBytes(fixture("related.new")));
    EXPECT_EQ(dir.listing(), "image");
}

TEST(BspatchTool, ReplacesAnExistingNewFile) {
    const testsupport::TempFolder dir;
    writeFileText(dir.file("new"), std::string(100000, 'x'));
    ASSERT_EQ(runTool(fixture("tiny.old"), dir.file("new"), fixture("tiny.patch")).exitCode, 0u);
    EXPECT_EQ(readFileBytes(dir.file("new")), readFileBytes(fixture("tiny.new")));
}

TEST(BspatchTool, FailureLeavesAnExistingNewFileUntouched) {
    const testsupport::TempFolder dir;
    writeFileText(dir.file("new"), "precious");
    const std::string patch = readFileBytes(fixture("related.patch"));
    writeFileText(dir.file("patch"), patch.substr(0, patch.size() - 1));
    EXPECT_EQ(runTool(fixture("related.old"), dir.file("new"), dir.file("patch")).exitCode, 1u);
    EXPECT_EQ(readFileBytes(dir.file("new")), "precious");
    EXPECT_EQ(dir.listing(), "new patch");
}

TEST(BspatchTool, WrongArgumentCountPrintsUsage) {
    for (const auto& arguments :
         std::vector<std::vector<std::string>>{{}, {"a", "b"}, {"a", "b", "c", "d"}}) {
        const ChildResult result = runChild(tool(), arguments);
        EXPECT_EQ(result.exitCode, 1u);
        EXPECT_NE(result.output.find("usage: "), std::string::npos) << result.output;
        EXPECT_NE(result.output.find(" oldfile newfile patchfile"), std::string::npos) << result.output;
    }
}

TEST(BspatchTool, MissingInputsAreNamedInTheMessage) {
    const testsupport::TempFolder dir;
    const ChildResult noOld = runTool(dir.file("absent-old"), dir.file("new"), fixture("tiny.patch"));
    EXPECT_EQ(noOld.exitCode, 1u);
    EXPECT_NE(noOld.output.find("absent-old"), std::string::npos) << noOld.output;
    const ChildResult noPatch = runTool(fixture("tiny.old"), dir.file("new"), dir.file("absent-patch"));
    EXPECT_EQ(noPatch.exitCode, 1u);
    EXPECT_NE(noPatch.output.find("absent-patch"), std::string::npos) << noPatch.output;
    EXPECT_EQ(dir.listing(), "");
}

TEST(BspatchTool, UnwritableOutputFolderFails) {
    const testsupport::TempFolder dir;
    const ChildResult result =
        runTool(fixture("tiny.old"), dir.file("no-such-folder\\new"), fixture("tiny.patch"));
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_NE(result.output.find("no-such-folder"), std::string::npos) << result.output;
    EXPECT_EQ(dir.listing(), "");
}

// A disk too small for the new file: the tool says it cannot write, leaves nothing behind
// and never crashes, also where the file system gives a file its size without room (a
// sparse file on tmpfs) and the disk runs full only during the write.
TEST(BspatchTool, FullDiskFailsCleanly) {
    const testsupport::TempFolder dir;
    const std::string disk = dir.file("disk");
    const testsupport::SmallDisk small(disk, 1024 * 1024);
    if (!small.mounted()) {
        GTEST_SKIP() << "no small disk can be mounted here: " << small.reason();
    }
    const ChildResult result = runTool(fixture("related.old"), disk + "\\new", fixture("related.patch"));
    EXPECT_EQ(result.exitCode, 1u) << std::hex << "exit code 0x" << result.exitCode << ": " << result.output;
    EXPECT_NE(result.output.find("(error 112)"), std::string::npos) << result.output;
    EXPECT_TRUE(std::filesystem::is_empty(disk)) << result.output;
}

class Hostile : public testing::TestWithParam<HostileCase> {};

TEST_P(Hostile, IsRefused) { expectRefused(kHostileOld, GetParam().patch, GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(Patches, Hostile, testing::ValuesIn(hostileCases()),
                         [](const auto& info) { return info.param.name; });

class Edge : public testing::TestWithParam<EdgeCase> {};

TEST_P(Edge, AddsOnlyTheOldBytesThatExist) {
    const testsupport::TempFolder dir;
    writeFileText(dir.file("old"), kHostileOld);
    writeFileText(dir.file("patch"), GetParam().patch);
    const ChildResult result = runTool(dir.file("old"), dir.file("new"), dir.file("patch"));
    ASSERT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_EQ(readFileBytes(dir.file("new")), GetParam().expectedNew);
}

INSTANTIATE_TEST_SUITE_P(Patches, Edge, testing::ValuesIn(edgeCases()),
                         [](const auto& info) { return info.param.name; });

TEST(BspatchTool, AppliesStreamsOfManyBlocks) {
    const MultiBlockPatch multi = multiBlockPatch();
    const testsupport::TempFolder dir;
    writeFileText(dir.file("old"), kHostileOld);
    writeFileText(dir.file("patch"), buildPatch(multi.layout));
    const ChildResult result = runTool(dir.file("old"), dir.file("new"), dir.file("patch"));
    ASSERT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_EQ(readFileBytes(dir.file("new")), multi.expectedNew);
}

TEST(BspatchTool, TruncatedPatchesAreRefused) {
    const std::string old = readFileBytes(fixture("related.old"));
    const std::string patch = readFileBytes(fixture("related.patch"));
    // Cuts inside the header, at each block boundary, inside each block, and the last byte.
    for (const std::size_t length :
         {std::size_t{0}, std::size_t{8}, std::size_t{31}, std::size_t{32}, std::size_t{33}, patch.size() / 4,
          patch.size() / 2, patch.size() * 3 / 4, patch.size() - 2, patch.size() - 1}) {
        SCOPED_TRACE("patch cut to " + std::to_string(length) + " of " + std::to_string(patch.size()) +
                     " bytes");
        expectRefused(old, patch.substr(0, length), "Corrupt patch");
    }
}

// Randomly damaged patches: each run either fails cleanly with exit code 1 and no output,
// or, when the damage hit bits that carry no information, rebuilds the exact new file.
TEST(BspatchTool, DamagedPatchesNeverCrashOrMisbuild) {
    const std::string old = readFileBytes(fixture("small-related.old"));
    const std::string expected = readFileBytes(fixture("small-related.new"));
    const std::string patch = readFileBytes(fixture("small-related.patch"));
    const testsupport::TempFolder dir;
    writeFileText(dir.file("old"), old);
    std::mt19937_64 random(20240611);
    for (int run = 0; run < 150; ++run) {
        const std::string damaged = mutatePatch(patch, random);
        writeFileText(dir.file("patch"), damaged);
        const ChildResult result =
            runChild(tool(), {dir.file("old"), dir.file("new"), dir.file("patch")}, 30000);
        SCOPED_TRACE("run " + std::to_string(run) + ", exit code " + std::to_string(result.exitCode) + ": " +
                     result.output);
        ASSERT_FALSE(result.timedOut);
        if (result.exitCode == 0) {
            ASSERT_EQ(readFileBytes(dir.file("new")), expected);
            std::filesystem::remove(dir.file("new"));
        } else {
            ASSERT_EQ(result.exitCode, 1u);
            ASSERT_EQ(dir.listing(), "old patch");
        }
    }
}

}  // namespace

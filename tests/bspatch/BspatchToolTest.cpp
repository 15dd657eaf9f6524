// Runs the real bspatch.exe as a child process: valid patches rebuild their new files
// byte for byte; truncated, hand-made hostile and randomly damaged patches end with exit
// code 1, a reason on stderr, no crash and no output file.

#include "ChildProcess.h"
#include "HostileCases.h"
#include "PatchMutator.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>

namespace {

namespace fs = std::filesystem;

const std::string& tool() {
    static const std::string path = testfiles::fromEnvironment("BSPATCH_EXE").string();
    return path;
}

fs::path fixture(const std::string& name) { return testfiles::fromEnvironment("BSPATCH_FIXTURES") / name; }

ChildResult runTool(const fs::path& oldFile, const fs::path& newFile, const fs::path& patchFile) {
    return runChild(tool(), {oldFile.string(), newFile.string(), patchFile.string()});
}

// Applies `patch` to `old` in a fresh folder and checks the refusal: exit code 1 (never
// a crash code), a message containing `expected`, and no file besides the inputs.
void expectRefused(const std::string& old, const std::string& patch, const std::string& expected) {
    testfiles::TempDir dir;
    testfiles::write(dir / "old", old);
    testfiles::write(dir / "patch", patch);
    const ChildResult result = runTool(dir / "old", dir / "new", dir / "patch");
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 1u) << std::hex << "exit code 0x" << result.exitCode << ": " << result.output;
    EXPECT_NE(result.output.find(expected), std::string::npos) << result.output;
    EXPECT_EQ(dir.listing(), "old patch");
}

class ValidPatch : public testing::TestWithParam<const char*> {};

TEST_P(ValidPatch, RebuildsTheNewFileExactly) {
    const std::string name = GetParam();
    testfiles::TempDir dir;
    const ChildResult result = runTool(fixture(name + ".old"), dir / "new", fixture(name + ".patch"));
    ASSERT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_EQ(testfiles::read(dir / "new"), testfiles::read(fixture(name + ".new")));
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
    testfiles::TempDir dir;
    testfiles::write(dir / "image", testfiles::read(fixture("related.old")));
    const ChildResult result = runTool(dir / "image", dir / "image", fixture("related.patch"));
    ASSERT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_EQ(testfiles::read(dir / "image"), testfiles::read(fixture("related.new")));
    EXPECT_EQ(dir.listing(), "image");
}

TEST(BspatchTool, ReplacesAnExistingNewFile) {
    testfiles::TempDir dir;
    testfiles::write(dir / "new", std::string(100000, 'x'));
    ASSERT_EQ(runTool(fixture("tiny.old"), dir / "new", fixture("tiny.patch")).exitCode, 0u);
    EXPECT_EQ(testfiles::read(dir / "new"), testfiles::read(fixture("tiny.new")));
}

TEST(BspatchTool, FailureLeavesAnExistingNewFileUntouched) {
    testfiles::TempDir dir;
    testfiles::write(dir / "new", "precious");
    const std::string patch = testfiles::read(fixture("related.patch"));
    testfiles::write(dir / "patch", patch.substr(0, patch.size() - 1));
    EXPECT_EQ(runTool(fixture("related.old"), dir / "new", dir / "patch").exitCode, 1u);
    EXPECT_EQ(testfiles::read(dir / "new"), "precious");
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
    testfiles::TempDir dir;
    const ChildResult noOld = runTool(dir / "absent-old", dir / "new", fixture("tiny.patch"));
    EXPECT_EQ(noOld.exitCode, 1u);
    EXPECT_NE(noOld.output.find("absent-old"), std::string::npos) << noOld.output;
    const ChildResult noPatch = runTool(fixture("tiny.old"), dir / "new", dir / "absent-patch");
    EXPECT_EQ(noPatch.exitCode, 1u);
    EXPECT_NE(noPatch.output.find("absent-patch"), std::string::npos) << noPatch.output;
    EXPECT_EQ(dir.listing(), "");
}

TEST(BspatchTool, UnwritableOutputFolderFails) {
    testfiles::TempDir dir;
    const ChildResult result =
        runTool(fixture("tiny.old"), dir / "no-such-folder" / "new", fixture("tiny.patch"));
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_NE(result.output.find("no-such-folder"), std::string::npos) << result.output;
    EXPECT_EQ(dir.listing(), "");
}

class Hostile : public testing::TestWithParam<HostileCase> {};

TEST_P(Hostile, IsRefused) { expectRefused(kHostileOld, GetParam().patch, GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(Patches, Hostile, testing::ValuesIn(hostileCases()),
                         [](const auto& info) { return info.param.name; });

class Edge : public testing::TestWithParam<EdgeCase> {};

TEST_P(Edge, AddsOnlyTheOldBytesThatExist) {
    testfiles::TempDir dir;
    testfiles::write(dir / "old", kHostileOld);
    testfiles::write(dir / "patch", GetParam().patch);
    const ChildResult result = runTool(dir / "old", dir / "new", dir / "patch");
    ASSERT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_EQ(testfiles::read(dir / "new"), GetParam().expectedNew);
}

INSTANTIATE_TEST_SUITE_P(Patches, Edge, testing::ValuesIn(edgeCases()),
                         [](const auto& info) { return info.param.name; });

TEST(BspatchTool, AppliesStreamsOfManyBlocks) {
    const MultiBlockPatch multi = multiBlockPatch();
    testfiles::TempDir dir;
    testfiles::write(dir / "old", kHostileOld);
    testfiles::write(dir / "patch", buildPatch(multi.spec));
    const ChildResult result = runTool(dir / "old", dir / "new", dir / "patch");
    ASSERT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_EQ(testfiles::read(dir / "new"), multi.expectedNew);
}

TEST(BspatchTool, TruncatedPatchesAreRefused) {
    const std::string old = testfiles::read(fixture("related.old"));
    const std::string patch = testfiles::read(fixture("related.patch"));
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
    const std::string old = testfiles::read(fixture("small-related.old"));
    const std::string expected = testfiles::read(fixture("small-related.new"));
    const std::string patch = testfiles::read(fixture("small-related.patch"));
    testfiles::TempDir dir;
    testfiles::write(dir / "old", old);
    std::mt19937_64 random(20240611);
    for (int run = 0; run < 150; ++run) {
        const std::string damaged = mutatePatch(patch, random);
        testfiles::write(dir / "patch", damaged);
        const ChildResult result =
            runChild(tool(), {(dir / "old").string(), (dir / "new").string(), (dir / "patch").string()},
                     std::chrono::seconds(30));
        SCOPED_TRACE("run " + std::to_string(run) + ", exit code " + std::to_string(result.exitCode) + ": " +
                     result.output);
        ASSERT_FALSE(result.timedOut);
        if (result.exitCode == 0) {
            ASSERT_EQ(testfiles::read(dir / "new"), expected);
            fs::remove(dir / "new");
        } else {
            ASSERT_EQ(result.exitCode, 1u);
            ASSERT_EQ(dir.listing(), "old patch");
        }
    }
}

}  // namespace

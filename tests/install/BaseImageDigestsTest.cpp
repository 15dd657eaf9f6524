#include "install/BaseImageDigests.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <regex>
#include <set>
#include <string>

#include "support/Digest.h"
#include "support/LogRecords.h"

namespace {

// The base image of the payload the build generated (Windows path); empty otherwise.
std::string baseImagePath;

TEST(BaseImageDigestsTest, TheProductsDigestsComeFirstThenTheBuildsOwn) {
    const std::vector<std::string> accepted = BaseImageDigests::accepted();
    ASSERT_EQ(accepted.size(), 2 + BaseImageDigests::extra().size());
    EXPECT_EQ(accepted[0], "fe7870985a9af11cff29ed00c1a8042d5e1f3194b465146ddcaa9612a51a3195");
    EXPECT_EQ(accepted[1], "0a01e1f33b0dd6af5d71fd26261b97eda1f9da77553704afd0a9d176de733c11");
    EXPECT_TRUE(
        std::equal(BaseImageDigests::extra().begin(), BaseImageDigests::extra().end(), accepted.begin() + 2));
    const std::regex digest("[0-9a-f]{64}");
    for (const std::string& entry : accepted) EXPECT_TRUE(std::regex_match(entry, digest)) << entry;
}

TEST(BaseImageDigestsTest, ThePayloadsBaseImageIsAccepted) {
    if (baseImagePath.empty())
        GTEST_SKIP() << "this build was given its payload; only a generated one has a base image to accept";
    const std::string text = testsupport::readFileText(baseImagePath);
    ASSERT_FALSE(text.empty()) << baseImagePath;
    const std::vector<std::string> accepted = BaseImageDigests::accepted();
    EXPECT_NE(std::find(accepted.begin(), accepted.end(), testsupport::sha256Hex(text)), accepted.end());
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc > 1) baseImagePath = argv[1];
    return RUN_ALL_TESTS();
}

// The testbed patch, applied to the testbed base image by our own patch tool, rebuilds
// the new image byte-exact; and the digests listed beside the images are theirs.
#include "TestbedFiles.h"
#include "support/ChildProcess.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace {

using testbedfiles::imagePath;
using testbedfiles::readFile;
using testsupport::quoteArgument;

TEST(TestbedPatchTest, OurPatchToolRebuildsTheNewImageByteExact) {
    testsupport::TempFolder work;
    const std::string rebuilt = work.file("newimage");
    const std::string command = quoteArgument(BSPATCH_EXE) + " " + quoteArgument(imagePath("baseimagefam8")) +
                                " " + quoteArgument(rebuilt) + " " + quoteArgument(imagePath("diff"));
    ASSERT_EQ(0u, testsupport::runChild(command));
    const std::string expected = readFile(imagePath("newimage"));
    const std::string actual = readFile(rebuilt);
    ASSERT_EQ(expected.size(), actual.size());
    EXPECT_TRUE(expected == actual);
}

}  // namespace

// What a detection pass asks Windows Installer, watched from outside: detect_host runs
// as a child with Wine's trace of the installer library switched on, and the trace lines
// of the enumeration calls are counted. Wine writes a trace to the Unix standard error it
// inherited, not to the child's Windows handles, so the test is started with that stream
// in a file whose Windows path it is given.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "support/ChildProcess.h"
#include "support/LogRecords.h"

namespace {

std::string hostPath;
std::string tracePath;

std::size_t countOf(const std::string& text, const std::string& word) {
    std::size_t count = 0;
    for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + word.size())) {
        ++count;
    }
    return count;
}

TEST(TrackerQueries, nothingInstalledGivesNoneAfterEveryUpgradeCodeWasAsked) {
    ASSERT_FALSE(hostPath.empty() || tracePath.empty())
        << "pass the paths of detect_host.exe and of the file that holds this test's standard error";
    const std::uint64_t start = testsupport::fileSize(tracePath);
    // Wine reads its trace switches from the environment of each new process.
    ASSERT_TRUE(SetEnvironmentVariableA("WINEDEBUG", "trace+msi"));
    testsupport::ChildProcess host(testsupport::quoteArgument(hostPath));
    const std::optional<DWORD> exitCode = host.waitFor(120000);
    SetEnvironmentVariableA("WINEDEBUG", nullptr);
    ASSERT_TRUE(exitCode.has_value()) << "detection did not end";
    EXPECT_EQ(*exitCode, 0u);

    const std::string output = testsupport::readFileText(tracePath).substr(start);
    if (output.find("trace:msi:") == std::string::npos) {
        GTEST_SKIP() << "this Wine writes no trace of msi.dll, so its calls cannot be counted from outside";
    }
    EXPECT_EQ(countOf(output, "trace:msi:MsiEnumRelatedProductsA"), 4u * 91u);
    // One enumeration of all products: index 0 already ends it.
    EXPECT_EQ(countOf(output, "trace:msi:MsiEnumProductsA"), 1u);
    EXPECT_EQ(countOf(output, "trace:msi:MsiEnumRelatedProductsA \"{"), 4u * 91u) << "every call with a code";
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc > 2) {
        hostPath = argv[1];
        tracePath = argv[2];
    }
    return RUN_ALL_TESTS();
}

#include "diag/Logger.h"
#include "support/ChildProcess.h"
#include "support/LogRecords.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string installerPath;

// installer.exe started for real with a product code that is no GUID: it must log its
// start and why it stops, and end with the generic failure code, never with success.
TEST(InstallerExe, LogsItsStartAndFailsHonestlyWithoutAProduct) {
    ASSERT_FALSE(installerPath.empty()) << "pass the path of installer.exe as the first argument";
    const std::string log = Logger::instance().path();
    DeleteFileA(log.c_str());

    EXPECT_EQ(testsupport::runChild(testsupport::quoteArgument(installerPath) + " ProductCode=x"), 610017u);

    const auto records = testsupport::readLogRecords(log);
    ASSERT_GE(records.size(), 2u);
    EXPECT_EQ(records.front().process, "installer.exe");
    EXPECT_EQ(records.front().level, "TRACE");
    EXPECT_EQ(records.front().function, "WinMain");
    EXPECT_EQ(records.front().message, "Entered installer.exe WinMain.");
    EXPECT_EQ(records.back().level, "ERROR");
    EXPECT_EQ(records.back().message.rfind("Exception with message '", 0), 0u) << records.back().message;
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc > 1) installerPath = argv[1];
    return RUN_ALL_TESTS();
}

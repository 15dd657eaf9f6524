#include "diag/CatchAndLog.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "diag/Logger.h"
#include "diag/VdsError.h"
#include "support/LogRecords.h"

namespace {

// A boundary function: whatever `body` throws is logged and turned into false.
template <class Body>
bool boundary(Body body) {
    try {
        body();
        return true;
    }
    VDS_CATCH_AND_LOG("Installer::boundary")
    return false;
}

TEST(CatchAndLogTest, LogsStandardAndUnknownExceptions) {
    const std::string& path = Logger::instance().path();
    const std::uint64_t start = testsupport::fileSize(path);

    int throwLine = 0;
    EXPECT_FALSE(boundary([&] {
        throwLine = __LINE__ + 1;
        VDS_THROW(std::runtime_error, "Worker::run", "disk full");
    }));
    EXPECT_FALSE(boundary([] { throw 42; }));
    EXPECT_TRUE(boundary([] {}));
    logException(SourceLocation{"C:\\src\\app\\WinMain.cpp", "WinMain", 12}, std::logic_error("plain"));

    const std::vector<testsupport::LogRecord> records = testsupport::readLogRecords(path, start);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].level, "ERROR");
    EXPECT_EQ(records[0].file, "CatchAndLogTest.cpp");
    EXPECT_EQ(records[0].function, "Installer::boundary");
    EXPECT_EQ(records[0].message, "Exception with message 'CatchAndLogTest.cpp(" + std::to_string(throwLine) +
                                      ") at Worker::run(): disk full' caught");
    EXPECT_EQ(records[1].level, "ERROR");
    EXPECT_EQ(records[1].function, "Installer::boundary");
    EXPECT_EQ(records[1].message, "Unknown exception caught");
    EXPECT_EQ(records[2].file, "WinMain.cpp");
    EXPECT_EQ(records[2].line, 12u);
    EXPECT_EQ(records[2].function, "WinMain");
    EXPECT_EQ(records[2].message, "Exception with message 'plain' caught");
}

}  // namespace

#include "diag/TraceScope.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "support/LogRecords.h"
#include "support/TempFolder.h"

namespace {

using testsupport::LogRecord;

TEST(TraceScopeTest, EntryAndExitRecords) {
    testsupport::TempFolder folder;
    const Logger logger(folder.file("vusched.log"));
    try {
        const TraceScope scope(logger, "C:\\src\\install\\Extract.cpp", 77, "ExtractFiles", "ExtractFiles");
        logger.write(LogLevel::Info, "Extract.cpp", 80, "ExtractFiles", "inside");
        throw std::runtime_error("leaves the scope by unwinding");
    } catch (const std::runtime_error&) {
    }

    const std::vector<LogRecord> records = testsupport::readLogRecords(logger.path());
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].level, "TRACE");
    EXPECT_EQ(records[0].file, "Extract.cpp");
    EXPECT_EQ(records[0].line, 77u);
    EXPECT_EQ(records[0].function, "ExtractFiles");
    EXPECT_EQ(records[0].message, "Entering ExtractFiles");
    EXPECT_EQ(records[1].message, "inside");
    EXPECT_EQ(records[2].level, "TRACE");
    EXPECT_EQ(records[2].file, "Extract.cpp");
    EXPECT_EQ(records[2].line, 0u);
    EXPECT_EQ(records[2].function, "ExtractFiles");
    EXPECT_EQ(records[2].message, "Exiting ExtractFiles (entered at Extract.cpp:77)");
}

TEST(TraceScopeTest, MacroTracesTheEnclosingScopeInTheProcessLog) {
    const std::string& path = Logger::instance().path();
    const std::uint64_t start = testsupport::fileSize(path);
    int entryLine = 0;
    {
        entryLine = __LINE__ + 1;
        TRACE_SCOPE("TraceScopeTest::macro");
    }
    const std::vector<LogRecord> records = testsupport::readLogRecords(path, start);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].message, "Entering TraceScopeTest::macro");
    EXPECT_EQ(records[0].line, static_cast<unsigned long>(entryLine));
    EXPECT_EQ(records[0].file, "TraceScopeTest.cpp");
    EXPECT_EQ(records[1].message, "Exiting TraceScopeTest::macro (entered at TraceScopeTest.cpp:" +
                                      std::to_string(entryLine) + ")");
    EXPECT_EQ(records[1].line, 0u);
}

}  // namespace

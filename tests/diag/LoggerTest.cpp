#include "diag/Logger.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "diag/ProcessName.h"
#include "diag/logit.h"
#include "support/FolderLink.h"
#include "support/LogRecords.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

namespace {

using testsupport::LogRecord;
using testsupport::readLogRecords;

// Milliseconds since 1601 of a local time, to compare time stamps.
ULONGLONG ticksOf(const SYSTEMTIME& time) {
    FILETIME file;
    EXPECT_TRUE(SystemTimeToFileTime(&time, &file));
    return ((static_cast<ULONGLONG>(file.dwHighDateTime) << 32) | file.dwLowDateTime) / 10000;
}

std::string executableName() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string full(path, length);
    return full.substr(full.find_last_of('\\') + 1);
}

class LoggerTest : public ::testing::Test {
protected:
    testsupport::TempFolder folder;
    std::string path = folder.file("vusched.log");
    Logger logger{path};
};

TEST_F(LoggerTest, RecordCarriesEveryHeaderField) {
    SYSTEMTIME before;
    GetLocalTime(&before);
    logger.write(LogLevel::Info, "C:\\work\\src\\install\\Step.cpp", 42, "Installer::step", "hello");
    SYSTEMTIME after;
    GetLocalTime(&after);

    const std::vector<LogRecord> records = readLogRecords(path);
    ASSERT_EQ(records.size(), 1u);
    const LogRecord& record = records[0];
    EXPECT_GE(ticksOf(record.time), ticksOf(before));
    EXPECT_LE(ticksOf(record.time), ticksOf(after));
    EXPECT_EQ(record.process, executableName());
    EXPECT_EQ(record.processId, GetCurrentProcessId());
    EXPECT_EQ(record.threadId, GetCurrentThreadId());
    EXPECT_EQ(record.file, "Step.cpp");
    EXPECT_EQ(record.line, 42u);
    EXPECT_EQ(record.function, "Installer::step");
    EXPECT_EQ(record.level, "INFO");
    EXPECT_EQ(record.message, "hello");

    // The bytes themselves: zero-padded fields, the tab before the level, CR LF endings.
    char header[128];
    snprintf(header, sizeof header, "[%04u/%02u/%02u %02u:%02u:%02u.%03u, ", record.time.wYear,
             record.time.wMonth, record.time.wDay, record.time.wHour, record.time.wMinute,
             record.time.wSecond, record.time.wMilliseconds);
    EXPECT_EQ(testsupport::readFileText(path), std::string(header) + executableName() +
                                                   " (PID: " + std::to_string(GetCurrentProcessId()) +
                                                   ", TID: " + std::to_string(GetCurrentThreadId()) +
                                                   "), Step.cpp:42 (Installer::step)]\r\n\tINFO: hello\r\n");
}

TEST_F(LoggerTest, LevelNamesAndUnknownNumbers) {
    const std::vector<std::pair<int, std::string>> levels = {{0, "TRACE"},   {1, "INFO"},    {2, "WARNING"},
                                                             {3, "ERROR"},   {4, "UNKNOWN"}, {-1, "UNKNOWN"},
                                                             {99, "UNKNOWN"}};
    for (const auto& [number, name] : levels) {
        logger.write(static_cast<LogLevel>(number), "a.cpp", 1, "f", name);
    }
    const std::vector<LogRecord> records = readLogRecords(path);
    ASSERT_EQ(records.size(), levels.size());
    for (std::size_t i = 0; i < levels.size(); ++i) {
        EXPECT_EQ(records[i].level, levels[i].second) << "level " << levels[i].first;
    }
}

TEST_F(LoggerTest, SourcePathIsReducedToItsFileName) {
    const std::vector<std::pair<std::string, std::string>> files = {
        {"C:\\dir\\sub\\Windows.cpp", "Windows.cpp"},
        {"/home/dev/src/diag/Unix.cpp", "Unix.cpp"},
        {"mixed/dir\\Both.cpp", "Both.cpp"},
        {"Plain.cpp", "Plain.cpp"},
        {"trailing\\", ""}};
    for (const auto& [file, expected] : files) {
        logger.write(LogLevel::Trace, file, 7, "f", "m");
    }
    const std::vector<LogRecord> records = readLogRecords(path);
    ASSERT_EQ(records.size(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(records[i].file, files[i].second) << files[i].first;
    }
}

TEST_F(LoggerTest, MultiLineMessageFollowsTheLevelAsIs) {
    const std::string message = "first line\nsecond line\n\tindented [bracketed]\n";
    logger.write(LogLevel::Warning, "a.cpp", 3, "f", message);
    std::ostringstream streamed;
    streamed << "streamed " << 12 << '\n' << "end";
    logger.write(LogLevel::Error, "a.cpp", 4, "g", streamed);

    const std::vector<LogRecord> records = readLogRecords(path);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].message, message);
    EXPECT_EQ(records[1].message, "streamed 12\nend");
    EXPECT_EQ(records[1].function, "g");
}

TEST_F(LoggerTest, RecordsAreAppendedToWhatIsThere) {
    {
        HANDLE file =
            CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        const std::string earlier = "[earlier record]\r\n\tINFO: kept\r\n";
        WriteFile(file, earlier.data(), static_cast<DWORD>(earlier.size()), &written, nullptr);
        CloseHandle(file);
    }
    const std::uint64_t start = testsupport::fileSize(path);
    logger.write(LogLevel::Info, "a.cpp", 1, "f", "appended");
    EXPECT_EQ(testsupport::readFileText(path).substr(0, start), "[earlier record]\r\n\tINFO: kept\r\n");
    const std::vector<LogRecord> records = readLogRecords(path, start);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].message, "appended");
}

TEST_F(LoggerTest, EmptyPathWritesNothing) {
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(folder.path().c_str()));
    Logger("").write(LogLevel::Error, "a.cpp", 1, "f", "nowhere");
    SetCurrentDirectoryA(previous);

    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(folder.file("*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    int entries = 0;
    do {
        const std::string name = found.cFileName;
        entries += (name != "." && name != "..") ? 1 : 0;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    EXPECT_EQ(entries, 0);
}

// The number of names of the file at `path`, 0 when it cannot be opened.
DWORD linkCount(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    BY_HANDLE_FILE_INFORMATION information{};
    const bool known = file != INVALID_HANDLE_VALUE && GetFileInformationByHandle(file, &information);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
    }
    return known ? information.nNumberOfLinks : 0;
}

// A user who may create files in the temporary folder of an elevated run plants the log's
// name there as a second name of a file they want changed. The record must not reach that
// file; the planted name gives way to a fresh log.
TEST_F(LoggerTest, PlantedHardLinkIsReplacedAndItsFileStaysAsItWas) {
    const std::string target = folder.file("system.ini");
    testsupport::writeFileText(target, "[kept]\r\n");
    ASSERT_TRUE(CreateHardLinkA(path.c_str(), target.c_str(), nullptr)) << GetLastError();
    ASSERT_EQ(linkCount(path), 2u);

    logger.write(LogLevel::Info, "a.cpp", 1, "f", "not through the link");
    EXPECT_EQ(testsupport::readFileBytes(target), "[kept]\r\n");
    EXPECT_EQ(linkCount(target), 1u);
    EXPECT_EQ(linkCount(path), 1u);
    const std::vector<LogRecord> records = readLogRecords(path);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].message, "not through the link");
}

// A folder link at the log's name cannot be opened as a file, so records are dropped and
// the folder it points to gets nothing. (Under Wine a Unix symbolic link to a file reads as
// a plain file, so a planted file link cannot be shown here; the folder link can.)
TEST_F(LoggerTest, PlantedFolderLinkIsNeverWrittenThrough) {
    const std::string target = folder.file("target");
    ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));
    testsupport::writeFileText(target + "\\kept.txt", "kept\n");
    const std::string unavailable = testsupport::makeFolderLink(path, target);
    if (!unavailable.empty()) {
        GTEST_SKIP() << unavailable;
    }

    logger.write(LogLevel::Info, "a.cpp", 1, "f", "not through the link");
    logger.write(LogLevel::Info, "a.cpp", 2, "f", "nor this one");
    EXPECT_EQ(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT,
              static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT));
    EXPECT_EQ(testsupport::readFileBytes(target + "\\kept.txt"), "kept\n");
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((target + "\\*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    std::vector<std::string> names;
    do {
        names.emplace_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".", "..", "kept.txt"}));
}

// Milliseconds that writing `records` records to `log` takes.
ULONGLONG millisecondsToWrite(const Logger& log, int records) {
    const ULONGLONG start = GetTickCount64();
    for (int i = 0; i < records; ++i) {
        log.write(LogLevel::Trace, "a.cpp", i, "f", "record " + std::to_string(i));
    }
    return GetTickCount64() - start;
}

// A log that cannot be opened at all must not slow the run down: an install writes
// thousands of records. Once the cause is gone, records are written again.
TEST_F(LoggerTest, UnopenableLogCostsAboutWhatAWritableOneCosts) {
    constexpr int records = 200;
    const ULONGLONG writable = millisecondsToWrite(logger, records);

    const std::string readOnlyPath = folder.file("read-only.log");
    testsupport::writeFileText(readOnlyPath, "kept\r\n");
    ASSERT_TRUE(SetFileAttributesA(readOnlyPath.c_str(), FILE_ATTRIBUTE_READONLY));
    const std::string folderPath = folder.file("folder.log");
    ASSERT_TRUE(CreateDirectoryA(folderPath.c_str(), nullptr));
    const Logger readOnly(readOnlyPath);
    const Logger folderNamed(folderPath);
    const Logger inMissingFolder(folder.file("missing\\vusched.log"));
    struct Case {
        const char* kind;
        const Logger& log;
    };
    std::vector<Case> cases = {{"folder", folderNamed}, {"missing folder", inMissingFolder}};
    // Wine leaves the read-only attribute to the Unix mode bits, which do not stop root.
    const HANDLE writer = CreateFileA(readOnlyPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const bool readOnlyHolds = writer == INVALID_HANDLE_VALUE;
    if (readOnlyHolds) {
        cases.push_back({"read-only file", readOnly});
    } else {
        CloseHandle(writer);
        std::printf("A read-only file can be written here; that case is left out.\n");
    }
    for (const Case& c : cases) {
        const ULONGLONG unopenable = millisecondsToWrite(c.log, records);
        EXPECT_LT(unopenable, 2 * writable + 500)
            << c.kind << ": " << unopenable << " ms against " << writable;
    }
    if (readOnlyHolds) {
        EXPECT_EQ(testsupport::readFileBytes(readOnlyPath), "kept\r\n");
    }

    ASSERT_TRUE(SetFileAttributesA(readOnlyPath.c_str(), FILE_ATTRIBUTE_NORMAL));
    ASSERT_TRUE(RemoveDirectoryA(folderPath.c_str()));
    for (const Logger* log : {&readOnly, &folderNamed}) {
        const std::vector<LogRecord> added = testsupport::recordsAddedBy(log->path(), [&] {
            log->write(LogLevel::Error, "a.cpp", 1, "f", "written once the log can be opened");
        });
        ASSERT_EQ(added.size(), 1u) << log->path();
        EXPECT_EQ(added[0].message, "written once the log can be opened");
    }
}

TEST(ProcessLogTest, LivesInTheTemporaryFolder) {
    char temp[MAX_PATH + 1];
    const DWORD length = GetTempPathA(sizeof temp, temp);
    ASSERT_GT(length, 0u);
    std::string directory(temp, length);
    while (!directory.empty() && (directory.back() == '\\' || directory.back() == '/')) {
        directory.pop_back();
    }
    EXPECT_EQ(Logger::instance().path(), directory + "\\vusched.log");
    EXPECT_EQ(processName(), executableName());
    EXPECT_EQ(getProcessModulePath().substr(getProcessModulePath().find_last_of('\\') + 1), executableName());
}

// A value whose text cannot be made, as a failed conversion would throw.
struct Unprintable {};
std::ostream& operator<<(std::ostream&, const Unprintable&) { throw std::runtime_error("no text"); }

TEST(ProcessLogTest, RecordWhoseTextCannotBeBuiltIsDroppedWithoutThrowing) {
    // Handle owners log a failed close from their noexcept close.
    const Logger& log = Logger::instance();
    const std::string text;
    static_assert(noexcept(log.write(LogLevel::Error, text, 0, text, text)));
    const std::vector<LogRecord> records = testsupport::recordsAddedBy(Logger::instance().path(), [] {
        EXPECT_NO_THROW(LOG_ERROR("ProcessLogTest::unprintable", "value " << Unprintable{}));
        LOG_INFO("ProcessLogTest::after", "next record");
    });
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].message, "next record");
}

TEST(ProcessLogTest, MacrosAndLogitWriteToTheProcessLog) {
    const std::string& path = Logger::instance().path();
    const std::uint64_t start = testsupport::fileSize(path);
    const int macroLine = __LINE__ + 1;
    LOG_WARNING("ProcessLogTest::macros", "value " << 7 << " of " << std::string("seven"));
    logit("progress note");

    const std::vector<LogRecord> records = readLogRecords(path, start);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].file, "LoggerTest.cpp");
    EXPECT_EQ(records[0].line, static_cast<unsigned long>(macroLine));
    EXPECT_EQ(records[0].function, "ProcessLogTest::macros");
    EXPECT_EQ(records[0].level, "WARNING");
    EXPECT_EQ(records[0].message, "value 7 of seven");
    EXPECT_EQ(records[1].file, "logit.cpp");
    EXPECT_EQ(records[1].function, "logit");
    EXPECT_EQ(records[1].level, "INFO");
    EXPECT_EQ(records[1].message, "progress note");
}

}  // namespace

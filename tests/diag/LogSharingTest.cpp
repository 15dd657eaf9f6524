// Several processes share one log file: records must stay whole and none may be lost, and
// a writer that finds the file held must give up instead of hanging.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "diag/Logger.h"
#include "support/ChildProcess.h"
#include "support/LogRecords.h"
#include "support/TempFolder.h"

namespace {

constexpr DWORD childTimeout = 60000;

// Arguments: log path, start event name, writer number, record count.
int appendWriter(const std::vector<std::string>& arguments) {
    if (arguments.size() != 4) {
        return 2;
    }
    HANDLE start = OpenEventA(SYNCHRONIZE, FALSE, arguments[1].c_str());
    if (start == nullptr || WaitForSingleObject(start, childTimeout) != WAIT_OBJECT_0) {
        return 3;
    }
    CloseHandle(start);
    const Logger logger(arguments[0]);
    const int count = std::stoi(arguments[3]);
    for (int i = 0; i < count; ++i) {
        logger.write(LogLevel::Info, "Writer.cpp", i, "appendWriter",
                     "writer " + arguments[2] + " record " + std::to_string(i) + "\nsecond line");
    }
    return 0;
}

// Arguments: log path, ready event name, release event name, and "grow" to append a byte
// every millisecond meanwhile. Holds the log open for writing, denying other writers,
// until released.
int fileHolder(const std::vector<std::string>& arguments) {
    if (arguments.size() != 4) {
        return 2;
    }
    const bool grow = arguments[3] == "grow";
    const int fd =
        _sopen(arguments[0].c_str(), _O_WRONLY | _O_APPEND | _O_CREAT, _SH_DENYWR, _S_IREAD | _S_IWRITE);
    if (fd == -1) {
        return 3;
    }
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, arguments[1].c_str());
    HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, arguments[2].c_str());
    if (ready == nullptr || release == nullptr || !SetEvent(ready)) {
        return 4;
    }
    const DWORD started = GetTickCount();
    while (WaitForSingleObject(release, grow ? 1 : childTimeout) == WAIT_TIMEOUT) {
        if (!grow || GetTickCount() - started > childTimeout) {
            return 5;
        }
        _write(fd, "+", 1);
    }
    _close(fd);
    CloseHandle(ready);
    CloseHandle(release);
    return 0;
}

[[maybe_unused]] const bool writerRegistered =
    testsupport::registerChildRoutine("append-writer", &appendWriter);
[[maybe_unused]] const bool holderRegistered = testsupport::registerChildRoutine("file-holder", &fileHolder);

// A named manual-reset event that this test owns.
class Event {
public:
    explicit Event(const std::string& purpose)
        : name_("Local\\vesk-log-test-" + std::to_string(GetCurrentProcessId()) + "-" + purpose),
          handle_(CreateEventA(nullptr, TRUE, FALSE, name_.c_str())) {}
    ~Event() { CloseHandle(handle_); }
    const std::string& name() const { return name_; }
    HANDLE handle() const { return handle_; }

private:
    std::string name_;
    HANDLE handle_;
};

TEST(LogSharingTest, ConcurrentWritersLoseNoRecordAndMixNone) {
    testsupport::TempFolder folder;
    const std::string path = folder.file("vusched.log");
    Event start("start");
    ASSERT_NE(start.handle(), nullptr);
    constexpr int writers = 8;
    constexpr int recordsEach = 100;

    std::vector<std::unique_ptr<testsupport::ChildProcess>> children;
    std::map<unsigned long, int> writerOfProcess;
    for (int writer = 0; writer < writers; ++writer) {
        children.push_back(std::make_unique<testsupport::ChildProcess>(testsupport::childCommandLine(
            "append-writer", {path, start.name(), std::to_string(writer), std::to_string(recordsEach)})));
        writerOfProcess[children.back()->id()] = writer;
    }
    SetEvent(start.handle());
    for (auto& child : children) {
        EXPECT_EQ(child->wait(), 0u);
    }

    const std::vector<testsupport::LogRecord> records = testsupport::readLogRecords(path);
    ASSERT_EQ(records.size(), static_cast<std::size_t>(writers * recordsEach));
    std::vector<int> next(writers, 0);
    for (const testsupport::LogRecord& record : records) {
        ASSERT_EQ(writerOfProcess.count(record.processId), 1u) << record.processId;
        const int writer = writerOfProcess[record.processId];
        const int index = next[writer]++;
        EXPECT_EQ(record.line, static_cast<unsigned long>(index));
        EXPECT_EQ(record.function, "appendWriter");
        EXPECT_EQ(record.message,
                  "writer " + std::to_string(writer) + " record " + std::to_string(index) + "\nsecond line");
    }
    for (int writer = 0; writer < writers; ++writer) {
        EXPECT_EQ(next[writer], recordsEach) << "writer " << writer;
    }
}

// Another process that holds the log, denying other writers, for as long as it lives;
// with `grow` it keeps appending to it meanwhile, as a busy writer would.
class LogHolder {
public:
    LogHolder(const std::string& path, bool grow)
        : ready_("ready"),
          release_("release"),
          child_(testsupport::childCommandLine(
              "file-holder", {path, ready_.name(), release_.name(), grow ? "grow" : "hold"})) {
        held_ = WaitForSingleObject(ready_.handle(), childTimeout) == WAIT_OBJECT_0;
    }
    ~LogHolder() { release(); }

    bool held() const { return held_; }
    // Lets the holder close the file; its exit code (0 when all went well).
    DWORD release() {
        SetEvent(release_.handle());
        return child_.wait();
    }

private:
    Event ready_;
    Event release_;
    testsupport::ChildProcess child_;
    bool held_ = false;
};

// Milliseconds that `action` takes.
template <class Action>
ULONGLONG millisecondsOf(Action action) {
    const ULONGLONG start = GetTickCount64();
    action();
    return GetTickCount64() - start;
}

TEST(LogSharingTest, WriterGivesUpOnAFileHeldByAnotherProcessAndThenWaitsLess) {
    testsupport::TempFolder folder;
    const std::string path = folder.file("vusched.log");
    LogHolder holder(path, false);
    ASSERT_TRUE(holder.held());

    const Logger logger(path);
    // The first record waits out a quarter of a second of stall; the ones after it only
    // ten attempts, so a log held for good does not slow the run down record by record.
    const ULONGLONG first = millisecondsOf([&] { logger.write(LogLevel::Error, "a.cpp", 1, "f", "lost"); });
    EXPECT_GE(first, 250u);
    constexpr int later = 20;
    const ULONGLONG rest = millisecondsOf([&] {
        for (int i = 0; i < later; ++i) {
            logger.write(LogLevel::Error, "a.cpp", 2, "f", "lost as well");
        }
    });
    EXPECT_LT(rest, later * 250u / 2) << "each record waited " << rest / later << " ms";
    EXPECT_EQ(testsupport::fileSize(path), 0u);

    EXPECT_EQ(holder.release(), 0u);
    logger.write(LogLevel::Error, "a.cpp", 3, "f", "written after release");
    const std::vector<testsupport::LogRecord> records = testsupport::readLogRecords(path);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].message, "written after release");
}

TEST(LogSharingTest, RecordWaitsForABusyWriterOnlyForAFewSeconds) {
    testsupport::TempFolder folder;
    const std::string path = folder.file("vusched.log");
    LogHolder holder(path, true);
    ASSERT_TRUE(holder.held());

    const Logger logger(path);
    const ULONGLONG waited =
        millisecondsOf([&] { logger.write(LogLevel::Error, "a.cpp", 1, "f", "lost to a busy writer"); });
    EXPECT_GE(waited, 2500u);
    EXPECT_LE(waited, 6000u);
    EXPECT_EQ(holder.release(), 0u);
    EXPECT_EQ(testsupport::readFileText(path).find("lost to a busy writer"), std::string::npos);
}

}  // namespace

// Several processes share one log file: records must stay whole, and a writer that finds
// the file held must give up instead of hanging.
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

// Arguments: log path, ready event name, release event name. Holds the log open for
// writing, denying other writers, until released.
int fileHolder(const std::vector<std::string>& arguments) {
    if (arguments.size() != 3) {
        return 2;
    }
    const int fd =
        _sopen(arguments[0].c_str(), _O_WRONLY | _O_APPEND | _O_CREAT, _SH_DENYWR, _S_IREAD | _S_IWRITE);
    if (fd == -1) {
        return 3;
    }
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, arguments[1].c_str());
    HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, arguments[2].c_str());
    if (ready == nullptr || release == nullptr || !SetEvent(ready) ||
        WaitForSingleObject(release, childTimeout) != WAIT_OBJECT_0) {
        return 4;
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
    constexpr int writers = 4;
    constexpr int recordsEach = 150;

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

TEST(LogSharingTest, WriterGivesUpOnAFileHeldByAnotherProcess) {
    testsupport::TempFolder folder;
    const std::string path = folder.file("vusched.log");
    Event ready("ready");
    Event release("release");
    testsupport::ChildProcess holder(
        testsupport::childCommandLine("file-holder", {path, ready.name(), release.name()}));
    ASSERT_EQ(WaitForSingleObject(ready.handle(), childTimeout), WAIT_OBJECT_0);

    const Logger logger(path);
    logger.write(LogLevel::Error, "a.cpp", 1, "f", "lost while the file is held");
    EXPECT_EQ(testsupport::fileSize(path), 0u);

    SetEvent(release.handle());
    EXPECT_EQ(holder.wait(), 0u);
    logger.write(LogLevel::Error, "a.cpp", 2, "f", "written after release");
    const std::vector<testsupport::LogRecord> records = testsupport::readLogRecords(path);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].message, "written after release");
}

}  // namespace

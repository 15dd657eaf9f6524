#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// One record of the installer's log file, read back field by field.
struct LogRecord {
    SYSTEMTIME time{};
    std::string process;
    unsigned long processId = 0;
    unsigned long threadId = 0;
    std::string file;
    unsigned long line = 0;
    std::string function;
    std::string level;
    std::string message;
};

// The whole content of a file (empty when it does not exist).
std::string readFileText(const std::string& path);

// The size of a file in bytes (0 when it does not exist).
std::uint64_t fileSize(const std::string& path);

// The records of a log file from byte `offset` on. Text that does not follow the record
// layout exactly throws std::runtime_error naming the line.
std::vector<LogRecord> readLogRecords(const std::string& path, std::uint64_t offset = 0);

// The records that `action` adds to the log file at `path`.
template <class Action>
std::vector<LogRecord> recordsAddedBy(const std::string& path, Action action) {
    const std::uint64_t start = fileSize(path);
    action();
    return readLogRecords(path, start);
}

}  // namespace testsupport

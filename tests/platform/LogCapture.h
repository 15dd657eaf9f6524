#pragma once

#include <string>
#include <vector>

#include "diag/Logger.h"
#include "support/LogRecords.h"

namespace platformtest {

// The records that `action` adds to the process log, in order.
template <class Action>
std::vector<testsupport::LogRecord> logRecordsOf(Action action) {
    return testsupport::recordsAddedBy(Logger::instance().path(), action);
}

// The messages of `records`, in order.
inline std::vector<std::string> messagesOf(const std::vector<testsupport::LogRecord>& records) {
    std::vector<std::string> messages;
    for (const testsupport::LogRecord& record : records) {
        messages.push_back(record.message);
    }
    return messages;
}

// The messages of the log records that `action` writes, in order.
template <class Action>
std::vector<std::string> logMessagesOf(Action action) {
    return messagesOf(logRecordsOf(action));
}

}  // namespace platformtest

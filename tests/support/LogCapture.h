#pragma once

#include <string>
#include <vector>

#include "diag/Logger.h"
#include "support/LogRecords.h"

namespace testsupport {

// The records that `action` adds to the process log, in order (for suites that link
// vesk_diag).
template <class Action>
std::vector<LogRecord> recordsOf(Action&& action) {
    return recordsAddedBy(Logger::instance().path(), action);
}

// The messages of `records`, in order.
inline std::vector<std::string> messagesOf(const std::vector<LogRecord>& records) {
    std::vector<std::string> messages;
    for (const LogRecord& record : records) {
        messages.push_back(record.message);
    }
    return messages;
}

// The messages of the log records that `action` writes, in order.
template <class Action>
std::vector<std::string> logMessagesOf(Action&& action) {
    return messagesOf(recordsOf(action));
}

}  // namespace testsupport

#pragma once

#include <string>
#include <vector>

#include "diag/Logger.h"
#include "support/LogRecords.h"

namespace platformtest {

// The messages of the log records that `action` writes, in order.
template <class Action>
std::vector<std::string> logMessagesOf(Action action) {
    const std::string& path = Logger::instance().path();
    const std::uint64_t start = testsupport::fileSize(path);
    action();
    std::vector<std::string> messages;
    for (const testsupport::LogRecord& record : testsupport::readLogRecords(path, start)) {
        messages.push_back(record.message);
    }
    return messages;
}

}  // namespace platformtest

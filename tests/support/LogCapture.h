#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "diag/Logger.h"
#include "support/LogRecords.h"

namespace testsupport {

// The records that `action` adds to the process log (for suites that link vesk_diag).
template <class Action>
std::vector<LogRecord> recordsOf(Action&& action) {
    const std::string& path = Logger::instance().path();
    const std::uint64_t start = fileSize(path);
    action();
    return readLogRecords(path, start);
}

}  // namespace testsupport

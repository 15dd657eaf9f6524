#pragma once

#include <string>

#include "diag/Logger.h"

// Writes a TRACE record "Entering <message>" when made and "Exiting <message> (entered
// at <file>:<line>)" when it goes out of scope, with line 0 in the exit record's header.
class TraceScope {
public:
    TraceScope(const Logger& logger, std::string file, int line, std::string function, std::string message);
    ~TraceScope();

    TraceScope(const TraceScope&) = delete;
    TraceScope& operator=(const TraceScope&) = delete;

private:
    const Logger& logger_;
    LogLevel level_ = LogLevel::Trace;
    bool enabled_;
    std::string file_;
    int line_;
    std::string function_;
    std::string message_;
};

#define VDS_TRACE_SCOPE_NAME_(line) vdsTraceScope_##line
#define VDS_TRACE_SCOPE_NAME(line) VDS_TRACE_SCOPE_NAME_(line)

// Traces entry to and exit from the enclosing scope of `qualifiedFunction`.
#define TRACE_SCOPE(qualifiedFunction)                                                      \
    const TraceScope VDS_TRACE_SCOPE_NAME(__LINE__)(Logger::instance(), __FILE__, __LINE__, \
                                                    (qualifiedFunction), (qualifiedFunction))

#include "diag/TraceScope.h"

#include <utility>

#include "diag/SourceLocation.h"

TraceScope::TraceScope(const Logger& logger, std::string file, int line, std::string function,
                       std::string message)
    : logger_(logger),
      enabled_(logger.isEnabled(level_)),
      file_(std::move(file)),
      line_(line),
      function_(std::move(function)),
      message_(std::move(message)) {
    if (enabled_) {
        logger_.write(level_, file_, line_, function_, "Entering " + message_);
    }
}

TraceScope::~TraceScope() {
    if (!enabled_) {
        return;
    }
    try {
        logger_.write(level_, file_, 0, function_,
                      "Exiting " + message_ + " (entered at " + fileNamePart(file_) + ":" +
                          std::to_string(line_) + ")");
    } catch (...) {
        // Leaving a scope must not fail because its trace record could not be built.
    }
}

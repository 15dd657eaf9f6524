#include "diag/CatchAndLog.h"

#include <string>

#include "diag/Logger.h"

namespace {

void logCaught(const SourceLocation& location, const std::string& message) {
    const Logger& logger = Logger::instance();
    if (logger.isEnabled(LogLevel::Error)) {
        logger.write(LogLevel::Error, fileNamePart(location.file), location.line, location.function, message);
    }
}

}  // namespace

void logException(const SourceLocation& location, const std::exception& error) {
    logCaught(location, std::string("Exception with message '") + error.what() + "' caught");
}

void logUnknownException(const SourceLocation& location) { logCaught(location, "Unknown exception caught"); }

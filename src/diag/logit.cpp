#include "diag/logit.h"

#include "diag/Logger.h"

void logit(const std::string& message) {
    const Logger& logger = Logger::instance();
    if (logger.isEnabled(LogLevel::Info)) {
        logger.write(LogLevel::Info, __FILE__, __LINE__, "logit", message);
    }
}

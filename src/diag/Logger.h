#pragma once

#include <atomic>
#include <cstdint>
#include <sstream>
#include <string>

// Record levels; a record names its level as TRACE, INFO, WARNING or ERROR.
enum class LogLevel : std::int32_t { Trace = 0, Info = 1, Warning = 2, Error = 3 };

// The name a record gives its level; "UNKNOWN" for any other number.
const char* logLevelName(LogLevel level);

// Appends records to the log file that this program shares with the other programs of
// the product family. Each record opens the file denying other writers, appends and
// closes it again, so records of several processes never mix.
class Logger {
public:
    // The process's log, "vusched.log" in the user's temporary folder; made on first use
    // (at the latest during static initialisation, before WinMain).
    static Logger& instance();

    // A log written to `path`; an empty path writes nothing.
    explicit Logger(std::string path);

    const std::string& path() const { return path_; }

    // Whether records of `level` are written; call sites test this before they build text.
    bool isEnabled(LogLevel level) const { return threshold_ <= level; }

    // Writes one record. While another process holds the file the record waits (as long
    // as that writer makes progress, within a few seconds); any other failure is retried
    // ten times one millisecond apart. Then the record is dropped; failures never reach
    // the caller. A link planted at the log's name is never written through: it is
    // replaced by a fresh file.
    void write(LogLevel level, const std::string& file, int line, const std::string& function,
               const std::string& message) const noexcept;
    void write(LogLevel level, const std::string& file, int line, const std::string& function,
               const std::ostringstream& message) const noexcept;

private:
    std::string path_;
    LogLevel threshold_ = LogLevel::Trace;
    // Whether the last record had to be dropped; the next one then waits less.
    mutable std::atomic<bool> previousDropped_{false};
};

// Writes a record of `level` for function `qualifiedFunction` at this line; `streamed` is
// a stream expression (LOG_INFO("FileUtils::copyFile", "Copied [" << from << "]")) that
// is evaluated only when the level is enabled. Logging never throws, so handle owners
// may log from their close: a record whose text cannot be built is dropped.
#define VDS_LOG(level, qualifiedFunction, streamed)                                              \
    do {                                                                                         \
        const Logger& vdsLogger_ = Logger::instance();                                           \
        if (vdsLogger_.isEnabled(level)) {                                                       \
            try {                                                                                \
                std::ostringstream vdsMessage_;                                                  \
                vdsMessage_ << streamed;                                                         \
                vdsLogger_.write((level), __FILE__, __LINE__, (qualifiedFunction), vdsMessage_); \
            } catch (...) {                                                                      \
            }                                                                                    \
        }                                                                                        \
    } while (false)

#define LOG_TRACE(qualifiedFunction, streamed) VDS_LOG(LogLevel::Trace, qualifiedFunction, streamed)
#define LOG_INFO(qualifiedFunction, streamed) VDS_LOG(LogLevel::Info, qualifiedFunction, streamed)
#define LOG_WARNING(qualifiedFunction, streamed) VDS_LOG(LogLevel::Warning, qualifiedFunction, streamed)
#define LOG_ERROR(qualifiedFunction, streamed) VDS_LOG(LogLevel::Error, qualifiedFunction, streamed)

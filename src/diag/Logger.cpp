#include "diag/Logger.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

#include <vector>

#include "diag/ProcessName.h"
#include "diag/SourceLocation.h"
#include "diag/tstrings.h"

namespace {

constexpr const char* logFileName = "vusched.log";
// A record waits for a file held by another writer for ten attempts one millisecond
// apart. Attempts during which someone else appended to the file do not count: the
// file is then busy, not stuck, and giving up would lose records whenever several
// programs of the family log at once. A stall must also have lasted a quarter of a
// second, so that a holder that the scheduler merely paused on a busy machine is not
// taken for a stuck one. The bound on all attempts keeps a flood of other writers from
// holding this program up for more than a few seconds.
constexpr int stalledAttempts = 10;
constexpr ULONGLONG stalledMilliseconds = 250;
constexpr int maxAttempts = 2000;

std::string temporaryDirectory() {
    std::vector<char> buffer(MAX_PATH);
    DWORD length = GetTempPathA(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length > buffer.size()) {
        buffer.resize(length);
        length = GetTempPathA(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length >= buffer.size()) {
            return {};
        }
    }
    return std::string(buffer.data(), length);
}

// The file's size, or -1 when it cannot be read.
std::int64_t fileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        return -1;
    }
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) |
                                     data.nFileSizeLow);
}

// Joins a directory and a file name with exactly one backslash; an empty directory
// leaves the bare name.
std::string joinPath(const std::string& directory, const std::string& name) {
    const std::string head = tstrings::trimRight(directory, "\\/");
    if (head.empty()) {
        return name;
    }
    const bool separated = !name.empty() && (name.front() == '\\' || name.front() == '/');
    return head + "\\" + (separated ? name.substr(1) : name);
}

// Both process-wide values are fixed while static objects are made, so the first line
// of WinMain already logs with them.
[[maybe_unused]] const bool fixedBeforeMain = (Logger::instance(), processName(), true);

}  // namespace

const char* logLevelName(LogLevel level) {
    switch (level) {
        case LogLevel::Trace:
            return "TRACE";
        case LogLevel::Info:
            return "INFO";
        case LogLevel::Warning:
            return "WARNING";
        case LogLevel::Error:
            return "ERROR";
    }
    return "UNKNOWN";
}

Logger& Logger::instance() {
    static Logger logger(joinPath(temporaryDirectory(), logFileName));
    return logger;
}

Logger::Logger(std::string path) : path_(std::move(path)) {}

void Logger::write(LogLevel level, const std::string& file, int line, const std::string& function,
                   const std::string& message) const {
    if (path_.empty()) {
        return;
    }
    SYSTEMTIME now;
    GetLocalTime(&now);
    const std::string record = tstrings::unsafe_format(
        "[%04u/%02u/%02u %02u:%02u:%02u.%03u, %s (PID: %u, TID: %u), %s:%u (%s)]\n\t%s: %s\n", now.wYear,
        now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds, processName().c_str(),
        static_cast<unsigned>(GetCurrentProcessId()), static_cast<unsigned>(GetCurrentThreadId()),
        fileNamePart(file).c_str(), static_cast<unsigned>(line), function.c_str(), logLevelName(level),
        message.c_str());

    // Other processes of the product family append to the same file; denying them write
    // access while one record goes in keeps records whole.
    int stalled = 0;
    std::int64_t sizeSeen = -2;
    ULONGLONG stalledSince = 0;
    for (int attempt = 1;; ++attempt) {
        const int fd =
            _sopen(path_.c_str(), _O_WRONLY | _O_APPEND | _O_CREAT, _SH_DENYWR, _S_IREAD | _S_IWRITE);
        if (fd != -1) {
            _write(fd, record.data(), static_cast<unsigned>(record.size()));
            _close(fd);
            return;
        }
        const std::int64_t size = fileSize(path_);
        if (size != sizeSeen) {
            sizeSeen = size;
            stalled = 0;
            stalledSince = GetTickCount64();
        }
        ++stalled;
        const bool stuck = stalled >= stalledAttempts && GetTickCount64() - stalledSince >= stalledMilliseconds;
        if (stuck || attempt == maxAttempts) {
            return;
        }
        Sleep(1);
    }
}

void Logger::write(LogLevel level, const std::string& file, int line, const std::string& function,
                   const std::ostringstream& message) const {
    write(level, file, line, function, message.str());
}

#include "diag/Logger.h"

#include <windows.h>

#include <vector>

#include "diag/ProcessName.h"
#include "diag/SourceLocation.h"
#include "diag/tstrings.h"

namespace {

constexpr const char* logFileName = "vusched.log";

// How long a record waits for the log. A file held by another writer is waited for in
// attempts one millisecond apart; attempts during which someone else appended to it do
// not count: the file is then busy, not stuck, and giving up would lose records whenever
// several programs of the family log at once. A stall must have lasted ten attempts and
// a quarter of a second, so that a holder that the scheduler merely paused on a busy
// machine is not taken for a stuck one; right after a record was dropped, ten attempts
// are enough. Any other failure (a folder of that name, a read-only file, a missing or
// unwritable folder) is not waited out: ten attempts, and just one right after a record
// was dropped, so that a log that cannot be opened costs a run next to nothing. No
// record waits longer than a few seconds, whatever other writers do.
constexpr int stalledAttempts = 10;
constexpr ULONGLONG stalledMilliseconds = 250;
constexpr int failedAttempts = 10;
constexpr ULONGLONG longestWaitMilliseconds = 3000;

// The log is opened for appending only, readers may share it but no other writer, so a
// record goes in whole. A link at its name is opened as itself, never followed.
constexpr DWORD appendAccess = FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
constexpr DWORD openFlags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;

// Sole owner of the handle of one open of the log. Nothing can be reported about a
// failed close from inside the log itself, so it is ignored.
class LogHandle {
public:
    explicit LogHandle(HANDLE handle) : handle_(handle) {}
    ~LogHandle() {
        if (valid()) {
            CloseHandle(handle_);
        }
    }
    LogHandle(const LogHandle&) = delete;
    LogHandle& operator=(const LogHandle&) = delete;

    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

// The file's size, or -1 when it cannot be read.
std::int64_t fileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        return -1;
    }
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) |
                                     data.nFileSizeLow);
}

enum class Opened { Sound, Planted, Unusable };

// A log that is a link (a symbolic link opened as itself, or a second name of a file
// that lives elsewhere) is planted: writing to it would change a file that is not the
// log. A folder, or a file whose identity cannot be read, cannot take records.
Opened checkOpened(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(file, &information)) {
        return Opened::Unusable;
    }
    if ((information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
        information.nNumberOfLinks != 1) {
        return Opened::Planted;
    }
    return (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? Opened::Unusable : Opened::Sound;
}

enum class Attempt { Written, Planted, Unusable, Failed };

// One open of the log at `path`, appending `text` when the file is sound. `error` is the
// reason of an open that failed.
Attempt appendOnce(const std::string& path, const std::string& text, DWORD& error) {
    const LogHandle file(
        CreateFileA(path.c_str(), appendAccess, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, openFlags, nullptr));
    if (!file.valid()) {
        // A folder, also a folder link or junction, is refused here: it cannot be opened
        // as a file, so nothing goes through it.
        error = GetLastError();
        return Attempt::Failed;
    }
    switch (checkOpened(file.get())) {
        case Opened::Sound: {
            DWORD written = 0;
            WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
            return Attempt::Written;
        }
        case Opened::Planted:
            return Attempt::Planted;
        case Opened::Unusable:
            break;
    }
    return Attempt::Unusable;
}

// Appends `text` to the log at `path` under the waiting rules above; false when the
// record had to be dropped. A planted name is replaced by a fresh file once; no record
// ever goes through it.
bool appendRecord(const std::string& path, const std::string& text, bool afterDrop) {
    const ULONGLONG started = GetTickCount64();
    bool replaced = false;
    int failed = 0;
    int stalled = 0;
    std::int64_t sizeSeen = -2;
    ULONGLONG stalledSince = started;
    for (;;) {
        DWORD error = ERROR_SUCCESS;
        switch (appendOnce(path, text, error)) {
            case Attempt::Written:
                return true;
            case Attempt::Unusable:
                return false;
            case Attempt::Planted:
                // Deleting the name removes the link itself (a file symbolic link, or
                // one name of a file that keeps its others), never what it points to.
                if (replaced || !DeleteFileA(path.c_str())) {
                    return false;
                }
                replaced = true;
                continue;
            case Attempt::Failed:
                break;
        }
        if (error == ERROR_SHARING_VIOLATION) {
            const std::int64_t size = fileSize(path);
            if (size != sizeSeen) {
                sizeSeen = size;
                stalled = 0;
                stalledSince = GetTickCount64();
            }
            ++stalled;
            if (stalled >= stalledAttempts &&
                (afterDrop || GetTickCount64() - stalledSince >= stalledMilliseconds)) {
                return false;
            }
        } else if (++failed >= (afterDrop ? 1 : failedAttempts)) {
            return false;
        }
        if (GetTickCount64() - started >= longestWaitMilliseconds) {
            return false;
        }
        Sleep(1);
    }
}

// The record as the C runtime's text mode writes it: every line feed becomes CR LF.
std::string withCarriageReturns(const std::string& record) {
    std::string text;
    text.reserve(record.size() + record.size() / 16);
    for (const char c : record) {
        if (c == '\n') {
            text += '\r';
        }
        text += c;
    }
    return text;
}

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
                   const std::string& message) const noexcept {
    if (path_.empty()) {
        return;
    }
    try {
        SYSTEMTIME now;
        GetLocalTime(&now);
        const std::string record = tstrings::unsafe_format(
            "[%04u/%02u/%02u %02u:%02u:%02u.%03u, %s (PID: %u, TID: %u), %s:%u (%s)]\n\t%s: %s\n", now.wYear,
            now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds,
            processName().c_str(), static_cast<unsigned>(GetCurrentProcessId()),
            static_cast<unsigned>(GetCurrentThreadId()), fileNamePart(file).c_str(),
            static_cast<unsigned>(line), function.c_str(), logLevelName(level), message.c_str());
        // A record that comes right after a dropped one waits less: what stopped the last
        // one most likely still holds.
        previousDropped_ = !appendRecord(path_, withCarriageReturns(record), previousDropped_);
    } catch (...) {
        // Without memory for its text the record is dropped; the caller goes on.
        previousDropped_ = true;
    }
}

void Logger::write(LogLevel level, const std::string& file, int line, const std::string& function,
                   const std::ostringstream& message) const noexcept {
    try {
        write(level, file, line, function, message.str());
    } catch (...) {
        previousDropped_ = true;
    }
}

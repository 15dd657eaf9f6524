#include "support/ProgressWatcher.h"

#include <regex>
#include <sstream>
#include <stdexcept>

namespace testsupport {

namespace {

// Long enough for a slow first start of a program under Wine.
constexpr DWORD startTimeoutMs = 30000;

std::string uniqueEventName() {
    static unsigned counter = 0;
    return "VeskProgressWatcherStop-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(GetTickCount()) + "-" + std::to_string(++counter);
}

}  // namespace

ProgressWatcher::ProgressWatcher(const std::string& program) {
    const std::string eventName = uniqueEventName();
    stopEvent_ = CreateEventA(nullptr, TRUE, FALSE, eventName.c_str());
    if (stopEvent_ == nullptr) {
        throw std::runtime_error("CreateEventA(" + eventName + ") failed with error " +
                                 std::to_string(GetLastError()));
    }
    child_ = std::make_unique<CapturedChild>("\"" + program + "\" --create --interval 1 --stop-event " +
                                             eventName);
    if (!child_->waitForOutput("(created)", startTimeoutMs)) {
        throw std::runtime_error("progress-watch did not make the progress block: " + child_->output());
    }
}

ProgressWatcher::~ProgressWatcher() { CloseHandle(stopEvent_); }

std::vector<std::string> ProgressWatcher::stop() {
    SetEvent(stopEvent_);
    const DWORD exitCode = child_->wait();
    if (exitCode != 0) {
        throw std::runtime_error("progress-watch failed (" + std::to_string(exitCode) +
                                 "): " + child_->output());
    }
    static const std::regex record(
        R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} (operation \d+ (started|finished))\r?)");
    std::vector<std::string> records;
    std::istringstream lines(child_->output());
    for (std::string line; std::getline(lines, line);) {
        std::smatch match;
        if (std::regex_match(line, match, record)) {
            records.push_back(match[1].str());
        }
    }
    return records;
}

bool isSubsequence(const std::vector<std::string>& seen, const std::vector<std::string>& posted) {
    auto next = posted.begin();
    for (const std::string& record : seen) {
        while (next != posted.end() && *next != record) {
            ++next;
        }
        if (next == posted.end()) {
            return false;
        }
        ++next;
    }
    return true;
}

}  // namespace testsupport

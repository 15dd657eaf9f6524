#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "support/ChildProcess.h"

namespace testsupport {

// A child process whose standard output and error come back through a pipe, so a test
// can wait for what the child says. The destructor ends a child that is still running.
class CapturedChild {
public:
    explicit CapturedChild(const std::string& commandLine);
    ~CapturedChild();
    CapturedChild(const CapturedChild&) = delete;
    CapturedChild& operator=(const CapturedChild&) = delete;

    // Reads output until it contains `text` or `timeoutMs` passed; true when it appeared.
    bool waitForOutput(const std::string& text, DWORD timeoutMs);

    // Waits for the child for `timeoutMs` at most, reading its output meanwhile, and
    // then for the end of its output (a few seconds at most): its full 32-bit exit code,
    // or nothing when the time ran out (the destructor then ends it).
    std::optional<DWORD> waitFor(DWORD timeoutMs);

    // The same without a time limit.
    DWORD wait() { return *waitFor(INFINITE); }

    // Everything the child has written so far (as far as read).
    const std::string& output() const { return output_; }

private:
    // Appends what the pipe holds without blocking; false once the child closed it.
    bool readAvailable();

    HANDLE readEnd_ = nullptr;
    std::unique_ptr<ChildProcess> child_;
    std::string output_;
};

}  // namespace testsupport

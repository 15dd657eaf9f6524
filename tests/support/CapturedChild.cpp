#include "support/CapturedChild.h"

#include <climits>
#include <stdexcept>

namespace testsupport {

namespace {

constexpr ULONGLONG pipeEndGraceMs = 10000;

}  // namespace

CapturedChild::CapturedChild(const std::string& commandLine) {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd_, &writeEnd, &inheritable, 0)) {
        throw std::runtime_error("CreatePipe failed with error " + std::to_string(GetLastError()));
    }
    SetHandleInformation(readEnd_, HANDLE_FLAG_INHERIT, 0);
    try {
        child_ = std::make_unique<ChildProcess>(commandLine, writeEnd);
    } catch (...) {
        CloseHandle(writeEnd);
        CloseHandle(readEnd_);
        throw;
    }
    // Only the child may hold the write end, or the pipe would never report its end.
    CloseHandle(writeEnd);
}

CapturedChild::~CapturedChild() {
    child_.reset();
    CloseHandle(readEnd_);
}

bool CapturedChild::readAvailable() {
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(readEnd_, nullptr, 0, nullptr, &available, nullptr)) {
            return false;
        }
        if (available == 0) {
            return true;
        }
        std::string chunk(available, '\0');
        DWORD read = 0;
        if (!ReadFile(readEnd_, chunk.data(), available, &read, nullptr)) {
            return false;
        }
        output_.append(chunk, 0, read);
    }
}

bool CapturedChild::waitForOutput(const std::string& text, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        const bool open = readAvailable();
        if (output_.find(text) != std::string::npos) {
            return true;
        }
        if (!open || GetTickCount64() >= deadline) {
            return false;
        }
        Sleep(5);
    }
}

std::optional<DWORD> CapturedChild::waitFor(DWORD timeoutMs) {
    const ULONGLONG deadline = timeoutMs == INFINITE ? ULLONG_MAX : GetTickCount64() + timeoutMs;
    // The pipe is emptied while the child runs, so a child that writes much never stalls
    // on a full pipe.
    std::optional<DWORD> exitCode;
    while (!(exitCode = child_->waitFor(10))) {
        readAvailable();
        if (GetTickCount64() >= deadline) {
            return std::nullopt;
        }
    }
    // The pipe ends when the processes the child started and that inherited it are gone
    // too, so that what they did is done when this returns. A process that Wine started
    // for the child (its desktop process, for one) may hold the pipe for ever, though:
    // after a grace period what has arrived is all there is.
    const ULONGLONG graceEnd = GetTickCount64() + pipeEndGraceMs;
    while (readAvailable() && GetTickCount64() < graceEnd) {
        Sleep(5);
    }
    return exitCode;
}

}  // namespace testsupport

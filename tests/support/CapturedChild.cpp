#include "support/CapturedChild.h"

#include <climits>
#include <stdexcept>

namespace testsupport {

namespace {

constexpr ULONGLONG pipeEndGraceMs = 10000;

[[noreturn]] void fail(const std::string& call) {
    throw std::runtime_error(call + " failed with error " + std::to_string(GetLastError()));
}

}  // namespace

CapturedChild::CapturedChild(const std::string& commandLine) {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd_, &writeEnd, &inheritable, 0)) {
        fail("CreatePipe");
    }
    SetHandleInformation(readEnd_, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION info{};
    std::string mutableLine = commandLine;
    const BOOL created = CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &info);
    const DWORD error = GetLastError();
    // Only the child may hold the write end, or the pipe would never report its end.
    CloseHandle(writeEnd);
    if (!created) {
        CloseHandle(readEnd_);
        SetLastError(error);
        fail("CreateProcessA(" + commandLine + ")");
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
}

CapturedChild::~CapturedChild() {
    if (!finished_) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, INFINITE);
    }
    CloseHandle(process_);
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
    for (;;) {
        const DWORD state = WaitForSingleObject(process_, 10);
        if (state == WAIT_OBJECT_0) {
            break;
        }
        if (state != WAIT_TIMEOUT) {
            fail("WaitForSingleObject");
        }
        readAvailable();
        if (GetTickCount64() >= deadline) {
            return std::nullopt;
        }
    }
    finished_ = true;
    // The pipe ends when the processes the child started and that inherited it are gone
    // too, so that what they did is done when this returns. A process that Wine started
    // for the child (its desktop process, for one) may hold the pipe for ever, though:
    // after a grace period what has arrived is all there is.
    const ULONGLONG graceEnd = GetTickCount64() + pipeEndGraceMs;
    while (readAvailable() && GetTickCount64() < graceEnd) {
        Sleep(5);
    }
    DWORD exitCode = 0;
    if (!GetExitCodeProcess(process_, &exitCode)) {
        fail("GetExitCodeProcess");
    }
    return exitCode;
}

}  // namespace testsupport

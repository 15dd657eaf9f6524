#include "platform/Executor.h"

#include <vector>

#include "diag/ErrorText.h"
#include "diag/Logger.h"
#include "diag/tstrings.h"

namespace {

constexpr const char* blanks = " \t";

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

Executor::Executor(const std::string& applicationPath)
    : applicationPath_(tstrings::trim(applicationPath, blanks)) {
    // The boundary that catches this error logs it; logging here too would report one
    // failure twice.
    if (applicationPath_.empty()) {
        throw ExecutorError("applicationPath is empty");
    }
    if (applicationPath_.size() >= 2 && applicationPath_.front() == '"' && applicationPath_.back() == '"') {
        applicationPath_ = applicationPath_.substr(1, applicationPath_.size() - 2);
    }
    commandLine_ = quoted(applicationPath_);
}

void Executor::setArguments(const std::string& arguments) {
    arguments_ = tstrings::trim(arguments, blanks);
    if (arguments_.empty()) {
        return;
    }
    const std::size_t position = arguments_.find(applicationPath_);
    if (position == 0) {
        commandLine_ = quoted(applicationPath_) + arguments_.substr(applicationPath_.size());
    } else if (position == 1 && arguments_.front() == '"') {
        commandLine_ = arguments_;
    } else {
        commandLine_ = quoted(applicationPath_) + " " + arguments_;
    }
}

bool Executor::startExecution() {
    LOG_INFO("Executor::startExecution", "Executor.exec(): " << commandLine_);

    startupInfo_ = STARTUPINFOA{};
    startupInfo_.cb = sizeof startupInfo_;
    if (hideWindow_ == 1) {
        startupInfo_.dwFlags |= STARTF_USESHOWWINDOW;
        startupInfo_.wShowWindow = SW_HIDE;
        creationFlags_ = CREATE_NO_WINDOW;
    }

    PROCESS_INFORMATION information{};
    DWORD error = ERROR_SUCCESS;
    {
        // CreateProcessA may write into the command line, so it gets a copy of its own.
        std::vector<char> commandLine(commandLine_.begin(), commandLine_.end());
        commandLine.push_back('\0');
        if (!CreateProcessA(applicationPath_.c_str(), commandLine.data(), processAttributes_,
                            threadAttributes_, inheritHandles_, creationFlags_, environment_,
                            currentDirectory_, &startupInfo_, &information)) {
            error = GetLastError();
        }
    }
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return false;
    }
    process_.reset(information.hProcess);
    thread_.reset(information.hThread);
    processId_ = information.dwProcessId;
    return true;
}

DWORD Executor::exec() {
    started_ = startExecution();
    if (!started_) {
        const DWORD error = GetLastError();
        LOG_ERROR("Executor::exec", failedWith("Executor.exec(): CreateProcess", error));
        return error;
    }
    return finishExecution();
}

DWORD Executor::finishExecution() {
    if (!process_) {
        // Without a started child there is nothing to wait for; the last error would
        // describe some unrelated call.
        const DWORD error = ERROR_INVALID_HANDLE;
        LOG_ERROR("Executor::finishExecution", failedWith("Executor.finishExecution()", error));
        return error;
    }

    DWORD result = 0;
    if (waitForExit_) {
        result = WaitForSingleObject(process_.get(), timeout_);
        LOG_INFO("Executor::finishExecution",
                 "Executor.finishExecution(): WaitForSingleObject exited with code " << result);
    } else if (!pumpMessages_) {
        // The child keeps running on its own.
        closeProcessHandles();
        return 0;
    } else {
        waitDispatchingMessages();
    }

    if (result == WAIT_TIMEOUT) {
        LOG_INFO("Executor::finishExecution",
                 "Executor.finishExecution(): The timeout is elapsed. Terminating Process.");
        TerminateProcess(process_.get(), 1);
    } else {
        DWORD exitCode = 0;
        if (GetExitCodeProcess(process_.get(), &exitCode)) {
            result = exitCode;
        } else {
            result = GetLastError();
            LOG_ERROR("Executor::finishExecution",
                      failedWith("Executor.finishExecution(): GetExitCodeProcess()", result));
        }
        LOG_INFO("Executor::finishExecution", "Executor.finishExecution(): ExitCode = " << result);
    }
    closeProcessHandles();
    return result;
}

void Executor::waitDispatchingMessages() {
    const HANDLE process = process_.get();
    const auto waitForChildOrInput = [process] {
        return MsgWaitForMultipleObjectsEx(1, &process, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    };
    DWORD wait = waitForChildOrInput();
    while (wait == WAIT_OBJECT_0 + 1) {
        MSG message{};
        if (!PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) {
            wait = waitForChildOrInput();
            continue;
        }
        // A message for a Unicode window must travel in its wide form.
        if (IsWindowUnicode(message.hwnd)) {
            if (GetMessageW(&message, nullptr, 0, 0) > 0) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        } else if (GetMessageA(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0) {
            break;
        }
    }
}

void Executor::closeProcessHandles() {
    process_.reset();
    thread_.reset();
}

DWORD Executor::ExecProcessWaitForFinish(const std::string& applicationPath, const std::string& arguments) {
    try {
        Executor executor(applicationPath);
        executor.setArguments(arguments);
        executor.setHideWindow(1);
        executor.setWaitForExit(1);
        executor.setTimeout(INFINITE);
        return executor.exec();
    } catch (const ExecutorError& error) {
        LOG_ERROR("Executor::ExecProcessWaitForFinish",
                  "ExecutorError in Executor::ExecProcessWaitForFinish " << error.what());
        return ERROR_FUNCTION_FAILED;
    }
}

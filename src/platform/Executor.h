#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

#include "win/AutoHandle.h"

// Runs one child program and waits for it. The install steps start the patch tool, the
// archive expander and the installed runtime through ExecProcessWaitForFinish only.
class Executor {
public:
    // Raised when an executor is asked to run nothing; carries only its message.
    class ExecutorError : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    // `applicationPath` is trimmed of blanks and tabs and loses one pair of surrounding
    // double quotes. Throws ExecutorError "applicationPath is empty" when nothing is left.
    explicit Executor(const std::string& applicationPath);

    Executor(const Executor&) = delete;
    Executor& operator=(const Executor&) = delete;

    // Sets the argument text and rebuilds the command line. The text may begin with the
    // bare application path (replaced by the quoted one), with the quoted application
    // path (used as the whole command line) or with anything else (appended after the
    // quoted application path). Blank text leaves the command line alone.
    void setArguments(const std::string& arguments);

    // 1: start the child without a window.
    void setHideWindow(int hideWindow) { hideWindow_ = hideWindow; }
    // Non-zero: wait for the child for at most the time-out, then terminate it.
    void setWaitForExit(int waitForExit) { waitForExit_ = waitForExit; }
    void setTimeout(DWORD milliseconds) { timeout_ = milliseconds; }
    // When not waiting with a time-out: wait while dispatching this thread's window
    // messages, so that windows the thread owns stay responsive.
    void setPumpMessages(bool pumpMessages) { pumpMessages_ = pumpMessages; }

    const std::string& applicationPath() const { return applicationPath_; }
    const std::string& arguments() const { return arguments_; }
    const std::string& commandLine() const { return commandLine_; }
    // The id of the started child (0 before a successful start).
    DWORD processId() const { return processId_; }
    // Whether the last exec() started the child.
    bool started() const { return started_; }

    // Starts the child and, when it started, finishes it (see finishExecution). A failed
    // start gives its Windows error code.
    DWORD exec();

    // Creates the child process; true when it was created.
    bool startExecution();

    // Waits as the options say and gives the child's exit code, 258 after a time-out
    // (the child is then terminated with exit code 1), 0 without waiting, or the Windows
    // error code of a failed call. Closes the process and thread handles.
    DWORD finishExecution();

    // Runs `applicationPath` with `arguments`, hidden, and waits without a time limit.
    // Gives the child's exit code, the Windows error code of a failed start, or 1627
    // (ERROR_FUNCTION_FAILED) when the path is blank.
    static DWORD ExecProcessWaitForFinish(const std::string& applicationPath, const std::string& arguments);

private:
    void waitDispatchingMessages();
    void closeProcessHandles();

    std::string applicationPath_;
    std::string arguments_;
    std::string commandLine_;
    SECURITY_ATTRIBUTES* processAttributes_ = nullptr;
    SECURITY_ATTRIBUTES* threadAttributes_ = nullptr;
    BOOL inheritHandles_ = FALSE;
    DWORD creationFlags_ = 0;
    void* environment_ = nullptr;
    const char* currentDirectory_ = nullptr;
    AutoHandle process_;
    AutoHandle thread_;
    DWORD processId_ = 0;
    STARTUPINFOA startupInfo_{};
    int hideWindow_ = 0;
    int waitForExit_ = 0;
    DWORD timeout_ = INFINITE;
    bool pumpMessages_ = false;
    bool started_ = false;
};

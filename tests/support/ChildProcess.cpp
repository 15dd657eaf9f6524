#include "support/ChildProcess.h"

#include <cstdlib>
#include <stdexcept>

namespace testsupport {

namespace {

constexpr const char* childSwitch = "--vesk-test-child";

// CreateProcessA for `commandLine`; with `output`, the child inherits it as its
// standard output and error.
bool createProcess(const std::string& commandLine, HANDLE output, PROCESS_INFORMATION& info) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (output != nullptr) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = output;
        startup.hStdError = output;
    }
    std::string mutableLine = commandLine;
    return CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, output != nullptr, 0, nullptr,
                          nullptr, &startup, &info) != FALSE;
}

}  // namespace

ChildProcess::ChildProcess(const std::string& commandLine, HANDLE output) {
    PROCESS_INFORMATION info{};
    if (!createProcess(commandLine, output, info)) {
        throw std::runtime_error("CreateProcessA(" + commandLine + ") failed with error " +
                                 std::to_string(GetLastError()));
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    processId_ = info.dwProcessId;
}

ChildProcess::~ChildProcess() {
    if (!finished_) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, INFINITE);
    }
    CloseHandle(process_);
}

std::optional<DWORD> ChildProcess::waitFor(DWORD timeoutMs) {
    const DWORD state = WaitForSingleObject(process_, timeoutMs);
    if (state == WAIT_TIMEOUT) {
        return std::nullopt;
    }
    if (state != WAIT_OBJECT_0) {
        throw std::runtime_error("WaitForSingleObject failed with error " + std::to_string(GetLastError()));
    }
    finished_ = true;
    DWORD exitCode = 0;
    if (!GetExitCodeProcess(process_, &exitCode)) {
        throw std::runtime_error("GetExitCodeProcess failed with error " + std::to_string(GetLastError()));
    }
    return exitCode;
}

DWORD runChild(const std::string& commandLine) { return ChildProcess(commandLine).wait(); }

bool startDetached(const std::string& commandLine) {
    PROCESS_INFORMATION info{};
    if (!createProcess(commandLine, nullptr, info)) {
        return false;
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return true;
}

std::string quoteArgument(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) {
        return argument;
    }
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (const char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled, and the quote itself escaped.
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + "\"";
}

std::string selfPath() {
    char path[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path) {
        throw std::runtime_error("GetModuleFileNameA failed with error " + std::to_string(GetLastError()));
    }
    return std::string(path, length);
}

bool registerChildRoutine(const char* name, ChildRoutine routine) {
    if (__argc >= 3 && std::string(__argv[1]) == childSwitch && std::string(__argv[2]) == name) {
        const std::vector<std::string> arguments(__argv + 3, __argv + __argc);
        std::exit(routine(arguments));
    }
    return true;
}

std::string buildCommandLine(const std::string& program, const std::vector<std::string>& arguments) {
    std::string line = quoteArgument(program);
    for (const std::string& argument : arguments) {
        line += " " + quoteArgument(argument);
    }
    return line;
}

std::string childCommandLine(const std::string& name, const std::vector<std::string>& arguments) {
    std::vector<std::string> all = {childSwitch, name};
    all.insert(all.end(), arguments.begin(), arguments.end());
    return buildCommandLine(selfPath(), all);
}

}  // namespace testsupport

#include "support/ChildProcess.h"

#include <cstdlib>
#include <stdexcept>

namespace testsupport {

namespace {

constexpr const char* childSwitch = "--vesk-test-child";

}  // namespace

ChildProcess::ChildProcess(const std::string& commandLine) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::string mutableLine = commandLine;
    if (!CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info)) {
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

DWORD ChildProcess::wait() {
    WaitForSingleObject(process_, INFINITE);
    finished_ = true;
    DWORD exitCode = 0;
    if (!GetExitCodeProcess(process_, &exitCode)) {
        throw std::runtime_error("GetExitCodeProcess failed with error " + std::to_string(GetLastError()));
    }
    return exitCode;
}

DWORD runChild(const std::string& commandLine) { return ChildProcess(commandLine).wait(); }

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

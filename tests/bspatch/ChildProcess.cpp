#include "ChildProcess.h"

#include "TestFiles.h"

#include <windows.h>

#include <stdexcept>

namespace {

std::string quoted(const std::string& argument) {
    // Enough for the paths and words these tests pass: no embedded quotes.
    return argument.empty() || argument.find_first_of(" \t") != std::string::npos ? "\"" + argument + "\""
                                                                                  : argument;
}

class Handle {
public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() {
        if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) {
            CloseHandle(handle_);
        }
    }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

}  // namespace

ChildResult runChild(const std::string& program, const std::vector<std::string>& arguments,
                     std::chrono::milliseconds timeout) {
    // The child's output goes to a file rather than a pipe: nothing can block on a full
    // pipe, whatever the child prints.
    testfiles::TempDir outputDir;
    const std::string outputPath = (outputDir / "output.txt").string();
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    Handle output(CreateFileA(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (output.get() == INVALID_HANDLE_VALUE) {
        throw std::runtime_error("cannot create " + outputPath);
    }

    std::string commandLine = quoted(program);
    for (const auto& argument : arguments) {
        commandLine += " " + quoted(argument);
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = output.get();
    startup.hStdError = output.get();
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process)) {
        throw std::runtime_error("CreateProcessA failed for " + commandLine + " with error " +
                                 std::to_string(GetLastError()));
    }
    Handle processHandle(process.hProcess);
    Handle threadHandle(process.hThread);

    ChildResult result;
    if (WaitForSingleObject(process.hProcess, static_cast<DWORD>(timeout.count())) == WAIT_TIMEOUT) {
        result.timedOut = true;
        TerminateProcess(process.hProcess, 0xDEAD);
        WaitForSingleObject(process.hProcess, INFINITE);
    }
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    result.exitCode = code;
    result.output = testfiles::read(outputPath);
    return result;
}

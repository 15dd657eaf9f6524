#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace testsupport {

// A child process started with CreateProcessA. The destructor ends a child that was
// never waited for, so a failing test cannot leave one behind.
class ChildProcess {
public:
    // With `output`, an inheritable handle, the child writes its standard output and
    // error there.
    explicit ChildProcess(const std::string& commandLine, HANDLE output = nullptr);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Waits for the end of the child for `timeoutMs` at most: its full 32-bit exit code,
    // or nothing when the time ran out.
    std::optional<DWORD> waitFor(DWORD timeoutMs);

    // Waits for the end of the child and returns its full 32-bit exit code.
    DWORD wait() { return *waitFor(INFINITE); }

    DWORD id() const { return processId_; }
    // The process handle, for waiting on the child together with other objects.
    HANDLE handle() const { return process_; }

private:
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    bool finished_ = false;
};

// Runs `commandLine` to its end and returns its full 32-bit exit code.
DWORD runChild(const std::string& commandLine);

// Starts `commandLine` and lets it run on its own, keeping no handle; false when it
// cannot be started.
bool startDetached(const std::string& commandLine);

// One argument quoted so that the C runtime of the child reads it back unchanged.
std::string quoteArgument(const std::string& argument);

// The command line that starts `program` with `arguments`, each quoted as needed.
std::string buildCommandLine(const std::string& program, const std::vector<std::string>& arguments);

// The path of the running test program.
std::string selfPath();

// A test program can start copies of itself as helpers (writers, file holders...): it
// registers each helper routine from a static initialiser,
//   const bool registered = registerChildRoutine("holder", &holdFile);
// and a copy started with childCommandLine("holder", {...}) runs that routine with the
// given arguments and exits with its result before any test runs.
using ChildRoutine = int (*)(const std::vector<std::string>& arguments);
bool registerChildRoutine(const char* name, ChildRoutine routine);
std::string childCommandLine(const std::string& name, const std::vector<std::string>& arguments);

}  // namespace testsupport

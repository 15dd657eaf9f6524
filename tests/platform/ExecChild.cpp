// The child program of the executor tests.
//
//   platform_exec_child exit CODE     exits with CODE
//   platform_exec_child sleep MS      sleeps, then exits with 0
//
// When VESK_EXEC_CHILD_REPORT names a file, the child first writes into it the command
// line it was given and its window settings: "<command line>\nflags=<n> show=<n>\n".
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void report() {
    char path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("VESK_EXEC_CHILD_REPORT", path, sizeof path);
    if (length == 0 || length >= sizeof path) {
        return;
    }
    STARTUPINFOA startup{};
    GetStartupInfoA(&startup);
    if (FILE* file = std::fopen(path, "wb")) {
        std::fprintf(file, "%s\nflags=%lu show=%u\n", GetCommandLineA(), startup.dwFlags,
                     static_cast<unsigned>(startup.wShowWindow));
        std::fclose(file);
    }
}

}  // namespace

int main(int argc, char** argv) {
    report();
    if (argc < 3) {
        return 0;
    }
    const unsigned long value = std::strtoul(argv[2], nullptr, 10);
    if (std::strcmp(argv[1], "exit") == 0) {
        return static_cast<int>(value);
    }
    if (std::strcmp(argv[1], "sleep") == 0) {
        Sleep(value);
    }
    return 0;
}

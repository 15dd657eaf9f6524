#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// Runs a program as a real child process and reports its full 32-bit exit code (the
// code of an access violation, 0xC0000005, survives intact) and what it wrote to stderr
// and stdout.
struct ChildResult {
    std::uint32_t exitCode = 0;
    bool timedOut = false;
    std::string output;
};

ChildResult runChild(const std::string& program, const std::vector<std::string>& arguments,
                     std::chrono::milliseconds timeout = std::chrono::seconds(60));

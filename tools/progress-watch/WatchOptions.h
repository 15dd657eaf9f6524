#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

// The command line of progress-watch.
struct WatchOptions {
    std::string name;                // the block to watch
    bool create = false;             // create the block when there is none, and keep it
    DWORD intervalMs = 10;           // time between two reads
    std::optional<DWORD> timeoutMs;  // stop after this long
    std::string stopEvent;           // stop when this named event is set

    // Parses the arguments after the program name; throws std::invalid_argument naming
    // the argument that is wrong.
    static WatchOptions parse(const std::vector<std::string>& arguments);

    static const char* usage();
};

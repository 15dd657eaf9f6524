#pragma once

#include <string>
#include <vector>

// How deploy.dll answers, read from the behaviour file beside it. The file holds lines
//   result TRUE|FALSE        the entry point's result (TRUE when not given)
//   command TYPE [DST]       one returned command; DST is the rest of the line
// Empty lines and lines starting with '#' are ignored. Lines after "[RegisterDeployEx]"
// or "[UnregisterDeployEx]" apply to that entry point only; lines before any such
// header apply to both. Without a file the answer is TRUE and no commands.
struct Behaviour {
    struct Command {
        unsigned type = 0;
        bool hasDst = false;
        std::wstring dst;
    };
    bool result = true;
    std::vector<Command> commands;

    // The answer for `entryPoint` from the file at `path` (the default when it does not
    // exist). Throws std::runtime_error naming the file and line of a malformed line.
    static Behaviour load(const std::wstring& path, const std::string& entryPoint);
};

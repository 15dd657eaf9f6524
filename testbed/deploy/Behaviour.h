#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// How deploy.dll answers, read from the behaviour file beside it. The file holds lines
//   result TRUE|FALSE        the entry point's result (TRUE when not given)
//   command TYPE [DST]       one returned command; DST is the rest of the line
//   count N                  the command count to report instead of the number of
//                            commands (any 32-bit number, e.g. -1 or 21)
//   rewrite maxCmds N        after answering, the record's capacity is overwritten with N
//   rewrite cmds null        after answering, the record's array pointer is set to null ...
//   rewrite cmds own         ... or to an array of the library's own that holds the
//   own TYPE [DST]           commands of these lines
// as a faulty or hostile library would. Empty lines and lines starting with '#' are
// ignored. Lines after "[RegisterDeployEx]" or "[UnregisterDeployEx]" apply to that entry
// point only; lines before any such header apply to both. Without a file the answer is
// TRUE and no commands.
struct Behaviour {
    struct Command {
        unsigned type = 0;
        bool hasDst = false;
        std::wstring dst;
    };
    enum class Pointer { Kept, Null, Own };

    bool result = true;
    std::vector<Command> commands;
    std::optional<std::uint32_t> count;
    std::optional<std::uint32_t> maxCmds;
    Pointer cmds = Pointer::Kept;
    std::vector<Command> ownCommands;

    // The answer for `entryPoint` from the file at `path` (the default when it does not
    // exist). Throws std::runtime_error naming the file and line of a malformed line.
    static Behaviour load(const std::wstring& path, const std::string& entryPoint);
};

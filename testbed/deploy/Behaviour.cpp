#include "Behaviour.h"

#include <windows.h>

#include <cstdint>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>

namespace {

std::wstring widen(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::string trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// The rest of the line as one 32-bit number, negative (as its two's complement) or not;
// nothing when it is not exactly that.
std::optional<std::uint32_t> readNumber(std::istringstream& words) {
    long long value = 0;
    if (!(words >> value) || !(words >> std::ws).eof() || value < INT32_MIN || value > UINT32_MAX) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

}  // namespace

Behaviour Behaviour::load(const std::wstring& path, const std::string& entryPoint) {
    Behaviour behaviour;
    std::ifstream in(path.c_str());
    if (!in) {
        return behaviour;
    }
    bool applies = true;
    std::string raw;
    for (int number = 1; std::getline(in, raw); ++number) {
        const std::string line = trim(raw);
        const auto malformed = [&]() {
            return std::runtime_error("line " + std::to_string(number) +
                                      " of the behaviour file is malformed: " + line);
        };
        if (line.empty() || line[0] == '#') {
            continue;
        }
        if (line.front() == '[' && line.back() == ']') {
            applies = line.substr(1, line.size() - 2) == entryPoint;
            continue;
        }
        std::istringstream words(line);
        std::string keyword;
        words >> keyword;
        if (keyword == "result") {
            std::string value;
            words >> value;
            if ((value != "TRUE" && value != "FALSE") || !words.eof()) {
                throw malformed();
            }
            if (applies) {
                behaviour.result = value == "TRUE";
            }
        } else if (keyword == "command" || keyword == "own") {
            Command command;
            if (!(words >> command.type)) {
                throw malformed();
            }
            std::string dst;
            std::getline(words, dst);
            dst = trim(dst);
            command.hasDst = !dst.empty();
            command.dst = widen(dst);
            if (applies) {
                (keyword == "own" ? behaviour.ownCommands : behaviour.commands).push_back(std::move(command));
            }
        } else if (keyword == "count") {
            const std::optional<std::uint32_t> count = readNumber(words);
            if (!count) {
                throw malformed();
            }
            if (applies) {
                behaviour.count = count;
            }
        } else if (keyword == "rewrite") {
            std::string field;
            words >> field;
            if (field == "maxCmds") {
                const std::optional<std::uint32_t> maxCmds = readNumber(words);
                if (!maxCmds) {
                    throw malformed();
                }
                if (applies) {
                    behaviour.maxCmds = maxCmds;
                }
            } else if (field == "cmds") {
                std::string target;
                words >> target;
                if ((target != "null" && target != "own") || !words.eof()) {
                    throw malformed();
                }
                if (applies) {
                    behaviour.cmds = target == "null" ? Pointer::Null : Pointer::Own;
                }
            } else {
                throw malformed();
            }
        } else {
            throw malformed();
        }
    }
    return behaviour;
}

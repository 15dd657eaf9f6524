#include "Behaviour.h"

#include <windows.h>

#include <fstream>
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
        } else if (keyword == "command") {
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
                behaviour.commands.push_back(std::move(command));
            }
        } else {
            throw malformed();
        }
    }
    return behaviour;
}

#include "zip/SafeEntryName.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }

// Windows drops trailing dots and spaces from each piece of a path, so any piece that
// holds ".." and nothing but dots and spaces names the parent folder.
bool climbsUp(std::string_view piece) {
    return piece.find_first_not_of(". ") == std::string_view::npos &&
           piece.find("..") != std::string_view::npos;
}

// Windows opens a device, wherever the path points, when a piece's stem (the text before
// its first dot, trailing spaces dropped) is one of these names, in any case: "NUL.txt",
// "con " and "bin\COM1.dll" all leave the folder for a device.
bool namesDevice(std::string_view piece) {
    static constexpr std::array<std::string_view, 24> devices = {
        "CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7",   "COM8",
        "COM9", "LPT1", "LPT2", "LPT3", "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9", "CONIN$", "CONOUT$"};
    std::string_view stem = piece.substr(0, piece.find('.'));
    stem = stem.substr(0, stem.find_last_not_of(' ') + 1);
    return std::any_of(devices.begin(), devices.end(), [stem](std::string_view device) {
        return std::equal(stem.begin(), stem.end(), device.begin(), device.end(),
                          [](char a, char b) { return std::toupper(static_cast<unsigned char>(a)) == b; });
    });
}

}  // namespace

bool isSafeEntryName(std::string_view name) {
    // A zero byte would end the path early in every Windows call, hiding what follows.
    if (name.empty() || isSeparator(name.front()) ||
        name.find_first_of(std::string_view(":\0", 2)) != std::string_view::npos) {
        return false;
    }
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = start;
        while (end < name.size() && !isSeparator(name[end])) {
            ++end;
        }
        const std::string_view piece = name.substr(start, end - start);
        if (climbsUp(piece) || namesDevice(piece)) {
            return false;
        }
        start = end + 1;
    }
    return true;
}

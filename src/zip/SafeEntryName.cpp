#include "zip/SafeEntryName.h"

namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }

// Windows drops trailing dots and spaces from each piece of a path, so any piece that
// holds ".." and nothing but dots and spaces names the parent folder.
bool climbsUp(std::string_view piece) {
    return piece.find_first_not_of(". ") == std::string_view::npos &&
           piece.find("..") != std::string_view::npos;
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
        if (climbsUp(name.substr(start, end - start))) {
            return false;
        }
        start = end + 1;
    }
    return true;
}

#include "settings/PathRules.h"

#include <windows.h>

#include <algorithm>
#include <array>

#include "diag/tstrings.h"
#include "settings/Exception.h"
#include "settings/PlainText.h"
#include "settings/ResultCodes.h"

namespace settings_impl::pathrules {

namespace {

constexpr std::size_t kMaxPathBytes = 260;

bool isSeparator(char c) { return c == '\\' || c == '/'; }

std::vector<std::string> split(const std::string& path) {
    std::vector<std::string> pieces(1);
    for (const char c : path) {
        if (isSeparator(c)) {
            pieces.emplace_back();
        } else {
            pieces.back().push_back(c);
        }
    }
    return pieces;
}

bool isDrive(const std::string& piece) {
    const char letter = piece.empty() ? '\0' : piece[0];
    return piece.size() == 2 && ((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z')) &&
           piece[1] == ':';
}

bool isReservedName(const std::string& piece) {
    static const std::array<const char*, 4> plain = {"CON", "PRN", "AUX", "NUL"};
    if (std::find_if(plain.begin(), plain.end(), [&](const char* name) { return piece == name; }) !=
        plain.end()) {
        return true;
    }
    return piece.size() == 4 && (piece.rfind("COM", 0) == 0 || piece.rfind("LPT", 0) == 0) &&
           piece[3] >= '1' && piece[3] <= '9';
}

bool hasIllegalCharacter(const std::string& piece) {
    return std::any_of(piece.begin(), piece.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 ||
               std::string_view("<>:\"|?*/\\").find(c) != std::string_view::npos;
    });
}

[[noreturn]] void invalid(const std::string& path, const std::string& why) {
    throw settings::Exception(settings::kInvalidPath, "invalid path '" + path + "': " + why);
}

// The current directory, UTF-8, checked to be drive-absolute.
CheckedPath currentDirectory() {
    wchar_t buffer[kMaxPathBytes + 1];
    const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(std::size(buffer)), buffer);
    if (length == 0 || length >= std::size(buffer)) {
        throw settings::Exception(settings::kInternalError,
                                  "GetCurrentDirectoryW failed or returned a long path");
    }
    const std::string directory = tstrings::toUtf8(std::wstring(buffer, length));
    CheckedPath checked = check(directory);
    if (!checked.driveAbsolute) {
        throw settings::Exception(settings::kInternalError,
                                  "the current directory '" + directory + "' has no drive");
    }
    return checked;
}

}  // namespace

CheckedPath check(const std::string& path) {
    CheckedPath checked;
    if (path.empty()) {
        return checked;
    }
    if (!plaintext::isPlain(path)) {
        throw settings::Exception(settings::kPathNotPlain, "the path is not plain text");
    }
    if (path.size() >= kMaxPathBytes) {
        throw settings::Exception(settings::kPathTooLong, "the path '" + path + "' has 260 bytes or more");
    }
    std::vector<std::string> pieces = split(path);
    checked.driveAbsolute = isDrive(pieces.front());
    for (std::size_t index = 0; index < pieces.size(); ++index) {
        const std::string& piece = pieces[index];
        if (piece.empty() || piece == "." || (index == 0 && checked.driveAbsolute)) {
            continue;
        }
        if (isReservedName(piece)) {
            invalid(path, "'" + piece + "' is a device name");
        }
        if (hasIllegalCharacter(piece)) {
            invalid(path, "'" + piece + "' holds an illegal character");
        }
    }
    std::erase_if(pieces, [](const std::string& piece) { return piece.empty() || piece == "."; });
    if (pieces.empty()) {
        invalid(path, "it names nothing");
    }
    checked.pieces = std::move(pieces);
    return checked;
}

std::string canonicalize(const std::string& path) {
    CheckedPath checked = check(path);
    if (path.empty()) {
        invalid(path, "it is empty");
    }
    std::vector<std::string> pieces;
    if (!checked.driveAbsolute) {
        if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1])) {
            invalid(path, "network shares are not supported");
        }
        const CheckedPath current = currentDirectory();
        pieces = isSeparator(path[0]) ? std::vector<std::string>{current.pieces.front()} : current.pieces;
    }
    for (std::string& piece : checked.pieces) {
        if (piece != "..") {
            pieces.push_back(std::move(piece));
        } else if (pieces.size() > 1) {
            pieces.pop_back();
        } else {
            invalid(path, "'..' leads above the drive");
        }
    }
    std::string joined = pieces.front();
    for (std::size_t index = 1; index < pieces.size(); ++index) {
        joined += '/' + pieces[index];
    }
    if (pieces.size() == 1) {
        joined += '/';
    }
    check(joined);
    return joined;
}

}  // namespace settings_impl::pathrules

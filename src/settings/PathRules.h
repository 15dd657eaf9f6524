#pragma once

#include <string>
#include <vector>

// The rules every settings path obeys, and canonicalisation. Paths are UTF-8.
namespace settings_impl::pathrules {

struct CheckedPath {
    // The pieces between '\' and '/', without empty and "." pieces.
    std::vector<std::string> pieces;
    // The first piece is a drive: an ASCII letter and ':'.
    bool driveAbsolute = false;
};

// Checks `path`: an empty text is accepted as empty; otherwise it must be plain
// (else 312), shorter than 260 bytes (else 310), have at least one piece, and no piece
// but the drive may be a reserved device name or hold a control byte or one of
// <>:"|?*/\ (else 311). Failures raise settings::Exception with those codes.
CheckedPath check(const std::string& path);

// The absolute form of `path`, pieces joined with '/': a relative path is put below the
// current directory (a path that starts with one separator below the current drive),
// each ".." removes itself and the piece before it (311 with nothing before it), and the
// result is checked again. A path that starts with two separators (a network share) is
// 311: settings files live on drives.
std::string canonicalize(const std::string& path);

}  // namespace settings_impl::pathrules

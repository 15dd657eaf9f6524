#pragma once

#include <string>

// Text rules for home directories that other installers wrote (product properties,
// uninstall and version keys). The text is handled as UTF-16, character by character,
// so that no trail byte of a double-byte code page is ever taken for a separator.
namespace HomePath {

// Whether `path` is absolute: a drive letter, ':' and a separator, or a UNC path
// ("\\server\share..."). Relative, drive-relative ("\x", "C:x") and quoted texts are not:
// they would resolve against whatever the current directory is.
bool isAbsolute(const std::wstring& path);

// `path` without its trailing separators.
std::wstring withoutTrailingSeparators(const std::wstring& path);

// The folder that holds `path` (trailing separators of both stripped): "C:\p\vre" for
// "C:\p\vre\bin\". Empty when `path` is a root or has no separator.
std::wstring parent(const std::wstring& path);

// Whether `path` is a drive or share root ("C:", "C:\", "\\server\share\"), or less.
bool isRoot(const std::wstring& path);

}  // namespace HomePath

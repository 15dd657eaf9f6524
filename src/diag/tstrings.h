#pragma once

#include <windows.h>

#include <concepts>
#include <string>

// String formatting and conversion shared by every part of the installer. Narrow
// strings are ANSI for Windows calls and UTF-8 for configuration text.
namespace tstrings {

// printf-style formatting into a new string of any length. A null format throws
// VdsError<std::invalid_argument>.
std::string unsafe_format(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));

// UTF-16 to UTF-8; throws VdsError<std::runtime_error> on an inconsistent conversion.
std::string toUtf8(const std::wstring& wide);

// Narrow text of `codePage` (CP_UTF8 or CP_ACP) to UTF-16. Empty input and input that is
// invalid in the code page give an empty string.
std::wstring toUtf16(const std::string& narrow, UINT codePage);

// UTF-16 to the ANSI code page; characters it lacks are replaced by the system default.
std::string toAnsi(const std::wstring& wide);

// UTF-16 to the ANSI code page exactly: false (and `ansi` empty) when a character has no
// exact form there, so that no look-alike ("L" for "Ł") or default character ever
// stands in for it. Paths that other programs wrote go through this one.
bool toAnsiExact(const std::wstring& wide, std::string& ansi);

// UTF-8 to the ANSI code page, for paths handed to the ...A Windows functions.
std::string utf8ToAnsi(const std::string& utf8);

// Decimal text of an integer.
template <std::integral Integer>
std::string toDecimal(Integer value) {
    return std::to_string(value);
}

// Byte-wise comparison ignoring case (C tolower).
bool equalsIgnoreCase(const std::string& a, const std::string& b);
std::string toLower(std::string text);

// The white space the trim functions remove by default.
inline constexpr const char* whiteSpace = " \t\r\n\v\f";

std::string trim(const std::string& text, const std::string& characters = whiteSpace);
std::string trimLeft(const std::string& text, const std::string& characters = whiteSpace);
std::string trimRight(const std::string& text, const std::string& characters = whiteSpace);

}  // namespace tstrings

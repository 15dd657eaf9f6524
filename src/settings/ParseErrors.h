#pragma once

#include <string>

#include "settings/IParserCursor.h"

// The kinds of errors in settings text and their messages.
namespace settings_impl::parse_errors {

inline constexpr int kKeyWithoutValue = 301;
inline constexpr int kEmptyKey = 302;
inline constexpr int kInvalidKey = 303;
inline constexpr int kInvalidValue = 304;
inline constexpr int kInvalidComment = 305;

// "Key without value", "Empty key", "Invalid key", "Invalid value", "Invalid comment";
// "Unknown error" for any other kind.
const char* text(int kind);

// '"<text>" at line <n>; char <m>'.
std::string message(const IParserCursor& cursor, int kind);

}  // namespace settings_impl::parse_errors

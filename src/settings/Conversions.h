#pragma once

#include <string>

// Conversions of settings text to typed values; a text that does not convert raises
// ExceptionCode<302>.
namespace settings_impl::conversions {

// Skips leading space, tab, line feed and vertical tab, then reads "0x..." as
// hexadecimal, "0..." as octal and anything else as decimal. The whole text must be
// the number (trailing blanks aside): "08" or "12abc" do not convert.
int toInt(const std::string& text);

// As toInt for hexadecimal and octal integers; any other text is read as a decimal
// floating-point number ("0.5" is one half).
double toDouble(const std::string& text);

// "yes" and "true" are true, "no" and "false" false (any case); any other text is read
// with toInt and is true when non-zero.
bool toBool(const std::string& text);

// The text itself when it is plain (PlainText.h).
std::string toPlainString(const std::string& text);

}  // namespace settings_impl::conversions

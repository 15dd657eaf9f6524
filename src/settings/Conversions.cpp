#include "settings/Conversions.h"

#include <ios>
#include <sstream>

#include "diag/tstrings.h"
#include "settings/ExceptionCode.h"
#include "settings/PlainText.h"

namespace settings_impl::conversions {

namespace {

constexpr const char* kLeadingBlanks = " \t\n\v";

[[noreturn]] void notANumber(const std::string& text) {
    throw ExceptionCode<302>("'" + text + "' is not a number");
}

// Reads the whole of `text` (after the base prefix was removed) with `base` into T.
template <class T>
bool readAll(const std::string& text, std::ios_base& (*base)(std::ios_base&), T& result) {
    std::istringstream stream(text);
    stream >> base >> result;
    if (stream.fail()) {
        return false;
    }
    return stream.peek() == std::char_traits<char>::eof();
}

// The lower-cased text without its leading blanks and trailing white space.
std::string prepared(const std::string& text) {
    return tstrings::toLower(tstrings::trimRight(tstrings::trimLeft(text, kLeadingBlanks)));
}

bool startsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// Reads `lowered` as a hexadecimal ("0x...") or octal ("0" and octal digits) integer;
// false when it has neither form.
bool readPrefixedInteger(const std::string& lowered, int& result) {
    if (startsWith(lowered, "0x")) {
        if (!readAll(lowered.substr(2), std::hex, result)) {
            notANumber(lowered);
        }
        return true;
    }
    if (lowered.size() > 1 && lowered[0] == '0' &&
        lowered.find_first_not_of("01234567") == std::string::npos) {
        return readAll(lowered.substr(1), std::oct, result);
    }
    return false;
}

}  // namespace

int toInt(const std::string& text) {
    const std::string lowered = prepared(text);
    int result = 0;
    if (startsWith(lowered, "0") && lowered.size() > 1 && !startsWith(lowered, "0x")) {
        // A leading zero always means octal for integers, so "08" is refused.
        if (!readAll(lowered.substr(1), std::oct, result)) {
            notANumber(text);
        }
        return result;
    }
    if (!readPrefixedInteger(lowered, result) && !readAll(lowered, std::dec, result)) {
        notANumber(text);
    }
    return result;
}

double toDouble(const std::string& text) {
    const std::string lowered = prepared(text);
    int integer = 0;
    if (readPrefixedInteger(lowered, integer)) {
        return integer;
    }
    double result = 0;
    if (!readAll(lowered, std::dec, result)) {
        notANumber(text);
    }
    return result;
}

bool toBool(const std::string& text) {
    const std::string lowered = tstrings::toLower(text);
    if (lowered == "yes" || lowered == "true") {
        return true;
    }
    if (lowered == "no" || lowered == "false") {
        return false;
    }
    return toInt(text) != 0;
}

std::string toPlainString(const std::string& text) {
    if (!plaintext::isPlain(text)) {
        throw ExceptionCode<302>("the text is not plain");
    }
    return text;
}

}  // namespace settings_impl::conversions

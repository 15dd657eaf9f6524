#include "diag/tstrings.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <stdexcept>
#include <utility>

#include "diag/VdsError.h"

namespace tstrings {

namespace {

constexpr std::size_t formatStep = 256;

std::string wideToNarrow(const std::wstring& wide, UINT codePage) {
    if (wide.empty()) {
        return {};
    }
    const int length = static_cast<int>(wide.size());
    const int size = WideCharToMultiByte(codePage, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    if (size < 0) {
        VDS_THROW(std::runtime_error, "tstrings::toUtf8", "Unexpected reply from WideCharToMultiByte()");
    }
    std::string narrow(static_cast<std::size_t>(size), '\0');
    const int written =
        WideCharToMultiByte(codePage, 0, wide.data(), length, narrow.data(), size, nullptr, nullptr);
    if (written != size) {
        VDS_THROW(std::runtime_error, "tstrings::toUtf8", "Unexpected reply from WideCharToMultiByte()");
    }
    return narrow;
}

}  // namespace

std::string unsafe_format(const char* format, ...) {
    if (format == nullptr) {
        VDS_THROW(std::invalid_argument, "tstrings::unsafe_format", "Destination buffer can't be NULL");
    }
    std::string buffer(formatStep, '\0');
    for (;;) {
        va_list args;
        va_start(args, format);
        const int printed = std::vsnprintf(buffer.data(), buffer.size(), format, args);
        va_end(args);
        if (printed < 0) {
            VDS_THROW(std::invalid_argument, "tstrings::unsafe_format",
                      std::string("Cannot format '") + format + "'");
        }
        const auto length = static_cast<std::size_t>(printed);
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        // The printer tells the length it needs, so the buffer grows by as many
        // 256-character steps as that takes in one go.
        buffer.assign((length / formatStep + 1) * formatStep, '\0');
    }
}

std::string toUtf8(const std::wstring& wide) { return wideToNarrow(wide, CP_UTF8); }

std::wstring toUtf16(const std::string& narrow, UINT codePage) {
    if (narrow.empty()) {
        return {};
    }
    const int length = static_cast<int>(narrow.size());
    const int size = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, narrow.data(), length, nullptr, 0);
    if (size < 0) {
        VDS_THROW(std::runtime_error, "tstrings::toUtf16", "Unexpected reply from MultiByteToWideChar()");
    }
    if (size == 0) {
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    const int written =
        MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, narrow.data(), length, wide.data(), size);
    if (written != size) {
        VDS_THROW(std::runtime_error, "tstrings::toUtf16", "Unexpected reply from MultiByteToWideChar()");
    }
    return wide;
}

std::string toAnsi(const std::wstring& wide) {
    if (wide.empty()) {
        return {};
    }
    const int length = static_cast<int>(wide.size());
    const int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(std::max(size, 0)), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), length, narrow.data(), size, nullptr, nullptr);
    return narrow;
}

bool toAnsiExact(const std::wstring& wide, std::string& ansi) {
    ansi.clear();
    if (wide.empty()) {
        return true;
    }
    // The flags that make the conversion report a missing character are refused for the
    // UTF code pages, which have every character anyway.
    const bool utfCodePage = GetACP() == CP_UTF8 || GetACP() == CP_UTF7;
    const DWORD flags = utfCodePage ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* const usedDefaultFlag = utfCodePage ? nullptr : &usedDefault;
    const int length = static_cast<int>(wide.size());
    const int size = WideCharToMultiByte(CP_ACP, flags, wide.data(), length, nullptr, 0, nullptr, usedDefaultFlag);
    if (size <= 0 || usedDefault) {
        return false;
    }
    std::string narrow(static_cast<std::size_t>(size), '\0');
    if (WideCharToMultiByte(CP_ACP, flags, wide.data(), length, narrow.data(), size, nullptr, usedDefaultFlag) !=
            size ||
        usedDefault) {
        return false;
    }
    // A best fit can also hide behind a character that exists: check the way back.
    if (toUtf16(narrow, CP_ACP) != wide) {
        return false;
    }
    ansi = std::move(narrow);
    return true;
}

std::string utf8ToAnsi(const std::string& utf8) { return toAnsi(toUtf16(utf8, CP_UTF8)); }

bool equalsIgnoreCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string toLower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

std::string trimLeft(const std::string& text, const std::string& characters) {
    const std::string::size_type first = text.find_first_not_of(characters);
    return first == std::string::npos ? std::string() : text.substr(first);
}

std::string trimRight(const std::string& text, const std::string& characters) {
    const std::string::size_type last = text.find_last_not_of(characters);
    return last == std::string::npos ? std::string() : text.substr(0, last + 1);
}

std::string trim(const std::string& text, const std::string& characters) {
    return trimLeft(trimRight(text, characters), characters);
}

}  // namespace tstrings

#include "zip/SafeEntryName.h"

#include <windows.h>

#include <algorithm>
#include <array>

#include "diag/tstrings.h"

namespace {

bool isSeparator(wchar_t c) { return c == L'/' || c == L'\\'; }

// Windows drops trailing dots and spaces from each piece of a path, so any piece that
// holds ".." and nothing but dots and spaces names the parent folder.
bool climbsUp(std::wstring_view piece) {
    return piece.find_first_not_of(L". ") == std::wstring_view::npos &&
           piece.find(L"..") != std::wstring_view::npos;
}

// ASCII letters compare without case, every other character as it is.
bool sameDeviceCharacter(wchar_t a, wchar_t b) {
    return (a >= L'a' && a <= L'z' ? static_cast<wchar_t>(a - L'a' + L'A') : a) == b;
}

// Windows opens a device, wherever the path points, when a piece's stem (the text before
// its first dot, trailing spaces dropped) is one of these names, in any case: "NUL.txt",
// "con " and "bin\COM1.dll" all leave the folder for a device. The superscript digits one
// to three count as digits of a port name.
bool namesDevice(std::wstring_view piece) {
    static constexpr std::array<std::wstring_view, 30> devices = {
        L"CON",  L"PRN",       L"AUX",       L"NUL",       L"COM1",   L"COM2",
        L"COM3", L"COM4",      L"COM5",      L"COM6",      L"COM7",   L"COM8",
        L"COM9", L"COM\u00B9", L"COM\u00B2", L"COM\u00B3", L"LPT1",   L"LPT2",
        L"LPT3", L"LPT4",      L"LPT5",      L"LPT6",      L"LPT7",   L"LPT8",
        L"LPT9", L"LPT\u00B9", L"LPT\u00B2", L"LPT\u00B3", L"CONIN$", L"CONOUT$"};
    std::wstring_view stem = piece.substr(0, piece.find(L'.'));
    stem = stem.substr(0, stem.find_last_not_of(L' ') + 1);
    return std::any_of(devices.begin(), devices.end(), [stem](std::wstring_view device) {
        return std::equal(stem.begin(), stem.end(), device.begin(), device.end(), sameDeviceCharacter);
    });
}

}  // namespace

std::wstring decodedEntryName(const vzentry& entry) {
    return tstrings::toUtf16(entry.name, (entry.flags & utf8NameFlag) != 0 ? CP_UTF8 : CP_ACP);
}

bool isSafeEntryName(std::wstring_view name) {
    // A zero character would end the path early in every Windows call, hiding what follows.
    if (name.empty() || isSeparator(name.front()) ||
        name.find_first_of(std::wstring_view(L":\0", 2)) != std::wstring_view::npos) {
        return false;
    }
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = start;
        while (end < name.size() && !isSeparator(name[end])) {
            ++end;
        }
        const std::wstring_view piece = name.substr(start, end - start);
        if (climbsUp(piece) || namesDevice(piece)) {
            return false;
        }
        start = end + 1;
    }
    return true;
}

#include "detect/HomePath.h"

namespace HomePath {

namespace {

constexpr const wchar_t* separators = L"\\/";

bool isSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool isDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

bool isUnc(const std::wstring& path) {
    return path.size() > 2 && isSeparator(path[0]) && isSeparator(path[1]);
}

// The length of the root part: "C:" or "\\server\share".
std::wstring::size_type rootLength(const std::wstring& path) {
    if (isUnc(path)) {
        const std::wstring::size_type server = path.find_first_not_of(separators, 2);
        const std::wstring::size_type serverEnd =
            server == std::wstring::npos ? std::wstring::npos : path.find_first_of(separators, server);
        if (serverEnd == std::wstring::npos) {
            return path.size();
        }
        const std::wstring::size_type share = path.find_first_not_of(separators, serverEnd);
        if (share == std::wstring::npos) {
            return path.size();
        }
        const std::wstring::size_type shareEnd = path.find_first_of(separators, share);
        return shareEnd == std::wstring::npos ? path.size() : shareEnd;
    }
    return path.size() >= 2 && path[1] == L':' ? 2 : 0;
}

}  // namespace

bool isAbsolute(const std::wstring& path) {
    if (path.size() >= 3 && isDriveLetter(path[0]) && path[1] == L':' && isSeparator(path[2])) {
        return true;
    }
    // "\\server\share": a server name, then a separator.
    if (!isUnc(path) || isSeparator(path[2])) {
        return false;
    }
    const std::wstring::size_type serverEnd = path.find_first_of(separators, 2);
    return serverEnd != std::wstring::npos && serverEnd + 1 < path.size();
}

std::wstring withoutTrailingSeparators(const std::wstring& path) {
    const std::wstring::size_type end = path.find_last_not_of(separators);
    return end == std::wstring::npos ? std::wstring() : path.substr(0, end + 1);
}

bool isRoot(const std::wstring& path) {
    const std::wstring stripped = withoutTrailingSeparators(path);
    return stripped.size() <= rootLength(stripped);
}

std::wstring parent(const std::wstring& path) {
    const std::wstring stripped = withoutTrailingSeparators(path);
    if (isRoot(stripped)) {
        return {};
    }
    const std::wstring::size_type last = stripped.find_last_of(separators);
    if (last == std::wstring::npos) {
        return {};
    }
    return withoutTrailingSeparators(stripped.substr(0, last + 1));
}

}  // namespace HomePath

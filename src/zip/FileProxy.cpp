#include "zip/FileProxy.h"

#include <algorithm>
#include <stdexcept>

#include "diag/CatchAndLog.h"
#include "diag/VdsError.h"
#include "diag/tstrings.h"

HANDLE createFileProxy(const std::string& path, DWORD access, DWORD creationDisposition, DWORD attributes) {
    try {
        const std::wstring widePath = tstrings::toUtf16(path, CP_UTF8);
        if (widePath.empty() && !path.empty()) {
            VDS_THROW(std::runtime_error, "createFileProxy", "Can't convert path [" + path + "] from UTF-8");
        }
        return CreateFileW(widePath.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           creationDisposition, attributes, nullptr);
    }
    VDS_CATCH_AND_LOG("createFileProxy")
    return INVALID_HANDLE_VALUE;
}

bool readFully(HANDLE file, std::int64_t position, void* buffer, std::int64_t count) {
    constexpr std::int64_t largestRead = 0x7FFFFFFF;
    auto* bytes = static_cast<char*>(buffer);
    while (count > 0) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(position);
        at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(position) >> 32);
        DWORD read = 0;
        if (!ReadFile(file, bytes, static_cast<DWORD>(std::min(count, largestRead)), &read, &at) ||
            read == 0) {
            return false;
        }
        bytes += read;
        position += read;
        count -= read;
    }
    return true;
}

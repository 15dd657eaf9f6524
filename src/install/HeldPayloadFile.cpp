#include "install/HeldPayloadFile.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "diag/Logger.h"
#include "diag/SysError.h"
#include "diag/VdsError.h"
#include "install/PayloadResource.h"
#include "platform/FileUtils.h"

namespace {

constexpr const char* function = "InstallVRE";
constexpr DWORD readChunk = 256 * 1024;

[[noreturn]] void refuse(const std::string& path, const std::string& why) {
    VDS_THROW(std::runtime_error, function, "[" + path + "] " + why + "; refusing to run it");
}

}  // namespace

HeldPayloadFile::HeldPayloadFile(HMODULE module, WORD id, const std::string& path) {
    handle_.reset(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!handle_) {
        const DWORD code = GetLastError();
        VDS_THROW(SysError, function, "[" + path + "] cannot be held open", CreateFileA, code);
    }
    const BY_HANDLE_FILE_INFORMATION information = FileUtils::informationOf(handle_.get(), path);
    if (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        refuse(path, "is a link (reparse point)");
    }
    const PayloadResource resource(module, id);
    if (resource.data == nullptr || information.nFileSizeHigh != 0 ||
        information.nFileSizeLow != resource.size) {
        refuse(path, "is not the file the installer wrote");
    }
    std::vector<BYTE> buffer(std::min(readChunk, resource.size));
    for (DWORD done = 0; done < resource.size;) {
        DWORD read = 0;
        if (!ReadFile(handle_.get(), buffer.data(), std::min(readChunk, resource.size - done), &read,
                      nullptr)) {
            const DWORD code = GetLastError();
            VDS_THROW(SysError, function, "[" + path + "] cannot be read", ReadFile, code);
        }
        if (read == 0 || std::memcmp(buffer.data(), resource.data + done, read) != 0) {
            refuse(path, "is not the file the installer wrote");
        }
        done += read;
    }
    LOG_TRACE(function, "-- Holding [" << path << "] against writing and deletion.");
}

#include "platform/VersionResource.h"

#include <cstring>
#include <stdexcept>

#include "diag/SysError.h"
#include "diag/VdsError.h"
#include "diag/tstrings.h"

VersionResource::VersionResource(std::string path) : path_(std::move(path)) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path_.c_str(), &ignored);
    if (size == 0) {
        const DWORD code = GetLastError();
        VDS_THROW(SysError, "VersionResource::VersionResource",
                  "GetFileVersionInfoSize(" + path_ + ") failed", GetFileVersionInfoSizeA, code);
    }
    data_.resize(size);
    if (!GetFileVersionInfoA(path_.c_str(), 0, size, data_.data())) {
        const DWORD code = GetLastError();
        VDS_THROW(SysError, "VersionResource::VersionResource", "GetFileVersionInfo(" + path_ + ") failed",
                  GetFileVersionInfoA, code);
    }
}

VS_FIXEDFILEINFO VersionResource::fixedFileInfo() const { return readResourceRecord("\\"); }

VS_FIXEDFILEINFO VersionResource::readResourceRecord(const std::string& subBlock) const {
    void* record = nullptr;
    UINT length = 0;
    const std::wstring wideSubBlock = tstrings::toUtf16(subBlock, CP_UTF8);
    if (!VerQueryValueW(data_.data(), wideSubBlock.c_str(), &record, &length) || record == nullptr) {
        VDS_THROW(std::runtime_error, "VersionResource::readResourceRecord",
                  "VerQueryValueW(" + path_ + ", " + subBlock + ") failed");
    }
    if (length < sizeof(VS_FIXEDFILEINFO)) {
        VDS_THROW(std::runtime_error, "VersionResource::readResourceRecord",
                  "VerQueryValueW(" + path_ + ", " + subBlock + ") returned unexpected buffer size.");
    }
    VS_FIXEDFILEINFO info;
    std::memcpy(&info, record, sizeof info);
    return info;
}

namespace FileUtils {

FileVersion fileVersion(const std::string& path) {
    const VS_FIXEDFILEINFO info = VersionResource(path).fixedFileInfo();
    return FileVersion{HIWORD(info.dwFileVersionMS), LOWORD(info.dwFileVersionMS),
                       HIWORD(info.dwFileVersionLS), LOWORD(info.dwFileVersionLS)};
}

}  // namespace FileUtils

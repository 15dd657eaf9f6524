#include "platform/SysInfo.h"
#include "platform/FileUtils.h"

#include <shlobj.h>

#include <stdexcept>
#include <vector>

#include "diag/ComError.h"
#include "diag/ErrorText.h"
#include "diag/Logger.h"
#include "diag/ProcessName.h"
#include "diag/SysError.h"
#include "diag/VdsError.h"
#include "diag/tstrings.h"
#include "win/Dll.h"
#include "win/DllFunction.h"

namespace SysInfo {
namespace {

using RtlGetVersionFunction = LONG WINAPI(OSVERSIONINFOEXW*);
using GetVersionExWFunction = BOOL WINAPI(OSVERSIONINFOEXW*);
using SystemDirFunction = UINT WINAPI(LPSTR, UINT);

OSVERSIONINFOEXW readOsVersion() {
    OSVERSIONINFOEXW record{};
    record.dwOSVersionInfoSize = sizeof record;
    if (!initWithRtlGetVersion(record)) {
        initWithGetVersionEx(record);
    }
    return record;
}

// One of the system-folder queries, `function`, shown in messages as `name`.
std::string getSystemDirImpl(SystemDirFunction* function, const std::string& name) {
    std::vector<char> buffer(MAX_PATH);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const UINT length = function(buffer.data(), static_cast<UINT>(buffer.size()));
        if (length == 0) {
            const DWORD code = GetLastError();
            VDS_THROW(SysError, "SysInfo::`anonymous-namespace'::getSystemDirImpl", name + " failed",
                      function, code);
        }
        if (length < buffer.size()) {
            return FileUtils::withoutTrailingSeparators(std::string(buffer.data(), length));
        }
        buffer.resize(length + 1);
    }
    VDS_THROW(std::runtime_error, "SysInfo::`anonymous-namespace'::getSystemDirImpl",
              "Unexpected reply from " + name);
}

}  // namespace

const OSVERSIONINFOEXW& osVersion() {
    static const OSVERSIONINFOEXW record = readOsVersion();
    return record;
}

namespace {
// Fills the record during static initialisation, before WinMain runs.
[[maybe_unused]] const OSVERSIONINFOEXW& osVersionAtStartup = osVersion();
}  // namespace

bool initWithRtlGetVersion(OSVERSIONINFOEXW& record) {
    try {
        const Dll ntdll = Dll::loadSystem("ntdll.dll");
        const DllFunction<RtlGetVersionFunction> rtlGetVersion(ntdll, "RtlGetVersion");
        if (!rtlGetVersion.available()) {
            LOG_ERROR("SysInfo::initWithRtlGetVersion", "RtlGetVersion is not available");
            return false;
        }
        const LONG status = rtlGetVersion(&record);
        if (status != 0) {
            LOG_ERROR("SysInfo::initWithRtlGetVersion", "RtlGetVersion() failed: " << status);
            return false;
        }
        return true;
    } catch (const std::exception& error) {
        // Start-up goes on without a version, so a library that cannot be loaded counts as
        // one that lacks the function.
        LOG_ERROR("SysInfo::initWithRtlGetVersion", "RtlGetVersion is not available: " << error.what());
        return false;
    }
}

bool initWithGetVersionEx(OSVERSIONINFOEXW& record) {
    try {
        const Dll kernel32 = Dll::loadSystem("Kernel32.dll");
        const DllFunction<GetVersionExWFunction> getVersionExW(kernel32, "GetVersionExW");
        if (!getVersionExW.available()) {
            LOG_ERROR("SysInfo::initWithGetVersionEx", "GetVersionExW is not available");
            return false;
        }
        if (!getVersionExW(&record)) {
            const DWORD code = GetLastError();
            LOG_ERROR("SysInfo::initWithGetVersionEx", failedWith("GetVersionExW()", code));
            return false;
        }
        return true;
    } catch (const std::exception& error) {
        LOG_ERROR("SysInfo::initWithGetVersionEx", "GetVersionExW is not available: " << error.what());
        return false;
    }
}

bool isNativeX64() {
    SYSTEM_INFO info{};
    GetNativeSystemInfo(&info);
    return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64;
}

bool isWow64() {
    const Dll kernel32 = Dll::loaded(L"kernel32.dll");
    const DllFunction<decltype(IsWow64Process)> isWow64Process(kernel32, "IsWow64Process");
    if (!isWow64Process.available()) {
        return false;
    }
    BOOL wow64 = FALSE;
    if (!isWow64Process(GetCurrentProcess(), &wow64)) {
        VDS_THROW(std::runtime_error, "SysInfo::isWow64", "fnIsWow64Process() failed");
    }
    return wow64 != FALSE;
}

std::string getProcessModulePath() { return ::getProcessModulePath(); }

std::string getSystemDirectory() { return getSystemDirImpl(GetSystemDirectoryA, "GetSystemDirectory"); }

std::string getSystemWow64Directory() {
    return getSystemDirImpl(GetSystemWow64DirectoryA, "GetSystemWow64Directory");
}

std::string getWindowsDirectory() { return getSystemDirImpl(GetWindowsDirectoryA, "GetWindowsDirectory"); }

std::string getEnvVariable(const std::string& name) {
    std::vector<char> buffer(10);
    SetLastError(ERROR_SUCCESS);
    DWORD count = GetEnvironmentVariableA(name.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    DWORD code = GetLastError();
    if (code == ERROR_ENVVAR_NOT_FOUND) {
        VDS_THROW(SysError, "SysInfo::getEnvVariable",
                  "GetEnvironmentVariable(" + name + ") failed. Variable not set", GetEnvironmentVariableA,
                  code);
    }
    if (buffer.size() < count) {
        buffer.resize(count);
        // Only this call's own error counts.
        SetLastError(ERROR_SUCCESS);
        GetEnvironmentVariableA(name.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        code = GetLastError();
    }
    if (code != ERROR_SUCCESS) {
        VDS_THROW(SysError, "SysInfo::getEnvVariable", "GetEnvironmentVariable(" + name + ") failed",
                  GetEnvironmentVariableA, code);
    }
    return std::string(buffer.data());
}

std::string getCommonProgramFiles64() { return isNativeX64() ? getEnvVariable("CommonProgramW6432") : ""; }

std::string SHGetFolderPathAdapter(int folderId, int mode) {
    char path[MAX_PATH] = {};
    const int folder = mode == 1 ? (folderId | CSIDL_FLAG_CREATE) : folderId;
    const HRESULT result = SHGetFolderPathA(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, path);
    if (FAILED(result)) {
        VDS_THROW(
            ComError, "SysInfo::SHGetFolderPathAdapter",
            tstrings::unsafe_format("SHGetFolderPath(0x%x, mode=%d)", static_cast<unsigned>(folderId), mode),
            result);
    }
    return FileUtils::withoutTrailingSeparators(path);
}

PatchCache getPatchCache(int arch) {
    if (arch != 32 && arch != 64) {
        throw std::runtime_error("getPatchCache() failed, invalid arch passed");
    }
    const std::string folder = arch == 64 ? "installcache_x64" : "installcache";
    return PatchCache{SHGetFolderPathAdapter(CSIDL_COMMON_APPDATA, 1), "Veyra\\Vesk\\" + folder};
}

}  // namespace SysInfo

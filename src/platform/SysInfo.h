#pragma once

#include <windows.h>

#include <string>

// Small, stateless queries about the machine and this process. Every query returns a
// value or throws; paths come without trailing separators.
namespace SysInfo {

// Where the installer keeps base images: `relative` below `base`; the caller joins them.
struct PatchCache {
    // The all-users application-data folder, created if missing.
    std::string base;
    // "Veyra\Vesk\installcache" (32-bit runtime) or "Veyra\Vesk\installcache_x64" (64-bit).
    std::string relative;
};

// The operating-system version, read once during static initialisation (before WinMain).
// When neither source answers, the record is zero apart from its size field.
const OSVERSIONINFOEXW& osVersion();

// Fill `record` (its size field already set) from RtlGetVersion of ntdll, or from
// GetVersionExW of kernel32. Both log a failure as ERROR and answer false.
bool initWithRtlGetVersion(OSVERSIONINFOEXW& record);
bool initWithGetVersionEx(OSVERSIONINFOEXW& record);

// Whether the processor architecture of Windows is AMD64.
bool isNativeX64();
// Whether this is a 32-bit process on 64-bit Windows.
bool isWow64();

std::string getProcessModulePath();
std::string getSystemDirectory();
std::string getSystemWow64Directory();
std::string getWindowsDirectory();

// The value of an environment variable; "" for one that is set but empty. A variable that
// is not set throws VdsError<SysError> with ERROR_ENVVAR_NOT_FOUND.
std::string getEnvVariable(const std::string& name);

// "CommonProgramW6432" on 64-bit Windows, "" on 32-bit Windows.
std::string getCommonProgramFiles64();

// The path of shell folder `folderId` (a CSIDL value); mode 1 creates it when missing,
// mode 0 does not. Failure throws VdsError<ComError>.
std::string SHGetFolderPathAdapter(int folderId, int mode);

// The patch cache of the runtime of `arch` (32 or 64); other values throw std::runtime_error.
PatchCache getPatchCache(int arch);

}  // namespace SysInfo

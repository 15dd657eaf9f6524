#include "support/SmallDisk.h"

#include <windows.h>

#include <stdexcept>

#include "support/ChildProcess.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

namespace testsupport {

namespace {

// A path in single quotes for the shell (Wine's paths hold no single quote of their own
// here; one would end the quoting, so it is refused).
std::string shellQuoted(const std::string& path) {
    if (path.find('\'') != std::string::npos) {
        throw std::runtime_error("cannot quote " + path + " for the shell");
    }
    return "'" + path + "'";
}

std::string sizeOption(std::uint64_t bytes) { return "size=" + std::to_string(bytes); }

}  // namespace

std::string unixPathOf(const std::string& path) {
    using ToUnix = char* (*)(const wchar_t*);
    const auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (toUnix == nullptr) {
        throw std::runtime_error("kernel32 has no wine_get_unix_file_name: not running under Wine");
    }
    std::wstring wide(path.begin(), path.end());
    char* unixPath = toUnix(wide.c_str());
    if (unixPath == nullptr) {
        throw std::runtime_error("Wine has no Unix path for " + path);
    }
    std::string result = unixPath;
    HeapFree(GetProcessHeap(), 0, unixPath);
    return result;
}

unsigned long runUnixShell(const std::string& script, std::string& output) {
    // Wine gives no handle to wait on for a Unix child: the script leaves its output and,
    // last, its exit code in files of a folder of ours, and the code file is waited for.
    const TempFolder folder;
    const std::string unixFolder = unixPathOf(folder.path());
    const std::string wrapped = "{ " + script + "; } >" + shellQuoted(unixFolder + "/output") +
                                " 2>&1; echo $? >" + shellQuoted(unixFolder + "/code.part") + "; mv " +
                                shellQuoted(unixFolder + "/code.part") + " " +
                                shellQuoted(unixFolder + "/code");
    if (!startDetached(buildCommandLine("Z:\\bin\\sh", {"-c", wrapped}))) {
        throw std::runtime_error("cannot start /bin/sh: error " + std::to_string(GetLastError()));
    }
    const std::string codeFile = folder.file("code");
    for (const ULONGLONG started = GetTickCount64(); !pathExists(codeFile); Sleep(20)) {
        if (GetTickCount64() - started > 60000) {
            throw std::runtime_error("/bin/sh -c " + script + " did not end within a minute");
        }
    }
    output = readFileBytes(folder.file("output"));
    return std::stoul(readFileBytes(codeFile));
}

SmallDisk::SmallDisk(const std::string& folder, std::uint64_t bytes) {
    CreateDirectoryA(folder.c_str(), nullptr);
    unixPath_ = unixPathOf(folder);
    std::string output;
    const unsigned long code = runUnixShell(
        "mount -t tmpfs -o " + sizeOption(bytes) + " vesk-small-disk " + shellQuoted(unixPath_), output);
    mounted_ = code == 0;
    if (!mounted_) {
        reason_ = "mount -t tmpfs over " + unixPath_ + " failed with " + std::to_string(code) + ": " + output;
    }
}

SmallDisk::~SmallDisk() {
    if (!mounted_) {
        return;
    }
    std::string output;
    // A Wine process that still holds a file there would block a plain unmount; the
    // lazy one detaches the tree at once all the same.
    try {
        runUnixShell("umount " + shellQuoted(unixPath_) + " || umount -l " + shellQuoted(unixPath_), output);
    } catch (const std::exception&) {
        // Nothing to do about it here; the prefix's removal then reports the mount.
    }
}

void SmallDisk::grow(std::uint64_t bytes) {
    std::string output;
    const unsigned long code =
        runUnixShell("mount -o remount," + sizeOption(bytes) + " " + shellQuoted(unixPath_), output);
    if (code != 0) {
        throw std::runtime_error("remounting " + unixPath_ + " failed with " + std::to_string(code) + ": " +
                                 output);
    }
}

}  // namespace testsupport

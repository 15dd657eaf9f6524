#include "install/InstallLock.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "diag/CatchAndLog.h"
#include "diag/ErrorText.h"
#include "diag/Logger.h"
#include "diag/SysError.h"
#include "diag/VdsError.h"
#include "platform/FileUtils.h"
#include "platform/SecurityDescriptor.h"

namespace {

constexpr const char* function = "InstallLock";
constexpr const char* lockName = "installer.lock";
constexpr DWORD pollMs = 100;

DWORD waitBoundMs() {
    DWORD seconds = InstallLock::maxWaitSeconds;
    char value[32] = {};
    const DWORD length = GetEnvironmentVariableA(InstallLock::waitVariable, value, sizeof value);
    if (length > 0 && length < sizeof value) {
        char* end = nullptr;
        const unsigned long asked = std::strtoul(value, &end, 10);
        if (end != value && *end == '\0') {
            seconds = static_cast<DWORD>(std::min<unsigned long>(asked, seconds));
        }
    }
    return seconds * 1000;
}

// Held by another installer, or being deleted by one that is releasing it.
bool isHeldError(DWORD code) { return code == ERROR_SHARING_VIOLATION || code == ERROR_ACCESS_DENIED; }

// Opens the lock file without sharing and without following a link; an empty handle
// while someone else has it open.
AutoHandle tryOpen(const std::string& path, bool& existed) {
    AutoHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    const DWORD code = GetLastError();
    if (!file) {
        // A folder in its place answers "access denied" as well, and never goes away.
        if (isHeldError(code) && !FileUtils::isDirectory(path)) {
            return file;
        }
        VDS_THROW(SysError, "InstallLock::take", "[" + path + "] cannot be opened", CreateFileA, code);
    }
    existed = code == ERROR_ALREADY_EXISTS;
    const BY_HANDLE_FILE_INFORMATION information = FileUtils::informationOf(file.get(), path);
    if (information.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY) ||
        information.nNumberOfLinks != 1) {
        VDS_THROW(std::runtime_error, "InstallLock::take",
                  "[" + path + "] is no plain file of one name (a link or a folder); refusing to use it");
    }
    return file;
}

std::string contentOf(HANDLE file) {
    char buffer[128] = {};
    DWORD read = 0;
    if (!ReadFile(file, buffer, sizeof buffer - 1, &read, nullptr)) {
        return "";
    }
    return std::string(buffer, read);
}

// Says which process holds the lock, for the log of a run that finds it left behind.
void writeOwner(HANDLE file, const std::string& path) {
    const std::string owner = std::to_string(GetCurrentProcessId());
    DWORD written = 0;
    if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER || !SetEndOfFile(file) ||
        !WriteFile(file, owner.data(), static_cast<DWORD>(owner.size()), &written, nullptr)) {
        const DWORD code = GetLastError();
        LOG_WARNING(function, "Cannot write the owner into [" << path << "]: " << systemErrorText(code));
    }
}

}  // namespace

InstallLock::InstallLock(CacheChain chain, AutoHandle file, std::string path)
    : chain_(std::move(chain)), file_(std::move(file)), path_(std::move(path)) {}

std::unique_ptr<InstallLock> InstallLock::take(int bits) {
    CacheChain chain = CacheChain::make(bits, security::ownerFolderDescriptor());
    const std::string path = FileUtils::join(chain.dir(), lockName);
    const DWORD boundMs = waitBoundMs();
    const ULONGLONG start = GetTickCount64();
    bool existed = false;
    AutoHandle file = tryOpen(path, existed);
    if (!file) {
        LOG_INFO(function, "Another installer holds the install lock ["
                               << path << "]; waiting for it (at most " << boundMs / 1000 << " s)");
        while (!file) {
            const ULONGLONG waited = GetTickCount64() - start;
            if (waited >= boundMs) {
                LOG_ERROR(function, "Gave up waiting for the install lock ["
                                        << path << "] after " << waited
                                        << " ms: another installer still holds it");
                return nullptr;
            }
            Sleep(static_cast<DWORD>(std::min<ULONGLONG>(pollMs, boundMs - waited)));
            file = tryOpen(path, existed);
        }
        LOG_INFO(function,
                 "Waited " << GetTickCount64() - start << " ms for the install lock [" << path << "]");
    }
    // A released lock is deleted; one still there was left by a run that could not release it.
    if (existed) {
        const std::string owner = contentOf(file.get());
        LOG_WARNING(function, "The install lock [" << path << "] was left by installer process "
                                                   << (owner.empty() ? std::string("(unknown)") : owner)
                                                   << ", which ended without releasing it; taking it over");
    }
    writeOwner(file.get(), path);
    LOG_INFO(function, "Took the install lock [" << path << "]");
    return std::unique_ptr<InstallLock>(new InstallLock(std::move(chain), std::move(file), path));
}

InstallLock::~InstallLock() {
    try {
        FILE_DISPOSITION_INFO disposition{TRUE};
        if (!SetFileInformationByHandle(file_.get(), FileDispositionInfo, &disposition, sizeof disposition)) {
            const DWORD code = GetLastError();
            LOG_WARNING(function,
                        "Cannot delete the install lock [" << path_ << "]: " << systemErrorText(code));
        }
        file_.reset();
        const std::vector<std::string> levels = chain_->levels();
        chain_.reset();
        // Removed quietly, deepest first: that a level stays is the common case (the cached
        // base image, another installer that holds the levels while it waits), and the run
        // has told its story by now.
        std::for_each(levels.rbegin(), levels.rend(),
                      [](const std::string& level) { RemoveDirectoryA(level.c_str()); });
    }
    VDS_CATCH_AND_LOG(function)
}

#include "install/CacheChain.h"

#include <windows.h>

#include <sstream>

#include "diag/SysError.h"
#include "diag/VdsError.h"
#include "platform/FileUtils.h"
#include "platform/SysInfo.h"

namespace {

// Another installer that removes the empty levels as it ends can take a level away
// between our making it and holding it; past this many rounds something keeps doing it.
constexpr int maxLevelAttempts = 10;

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool isTakenError(DWORD code) { return code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS; }
bool isMissingError(DWORD code) { return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND; }

HeldFolder holdLevel(const std::string& level, const security::SecurityDescriptor& descriptor) {
    for (int attempt = 1;; ++attempt) {
        if (!exists(level)) {
            try {
                FileUtils::createDirWithSecurity(level, descriptor);
            } catch (const SysError& error) {
                // Made by someone else meanwhile: held and secured below like any level found.
                if (!isTakenError(error.code())) {
                    throw;
                }
            }
        }
        try {
            HeldFolder folder(level);
            folder.secure(descriptor);
            return folder;
        } catch (const SysError& error) {
            if (!isMissingError(error.code()) || attempt == maxLevelAttempts) {
                throw;
            }
        }
    }
}

}  // namespace

int CacheChain::processBits() { return SysInfo::isNativeX64() && !SysInfo::isWow64() ? 64 : 32; }

CacheChain CacheChain::make(int bits, const security::SecurityDescriptor& descriptor) {
    const SysInfo::PatchCache cache = SysInfo::getPatchCache(bits);
    CacheChain chain;
    chain.base_ = cache.base;
    chain.relative_ = cache.relative;
    std::string level = cache.base;
    std::istringstream pieces(cache.relative);
    for (std::string piece; std::getline(pieces, piece, '\\');) {
        if (piece.empty()) {
            continue;
        }
        level = FileUtils::join(level, piece);
        chain.held_.push_back(holdLevel(level, descriptor));
    }
    chain.dir_ = level;
    return chain;
}

std::vector<std::string> CacheChain::levels() const {
    std::vector<std::string> paths;
    for (const HeldFolder& level : held_) {
        paths.push_back(level.path());
    }
    return paths;
}

void CacheChain::addTo(CleanupList& cleanup) const { cleanup.addDirChain(base_, relative_); }

#include "install/WorkFolders.h"

#include <windows.h>

#include <sstream>

#include "diag/Logger.h"
#include "diag/SysError.h"
#include "diag/VdsError.h"
#include "platform/FileUtils.h"
#include "platform/SysInfo.h"

namespace {

// Names already taken by someone else between our temporary file and our folder are
// skipped; this many in a row means something is deliberately in the way.
constexpr int maxNameAttempts = 100;

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A folder that this run creates itself: the name of a new temporary file, which is
// then replaced by the folder. Should someone else make something of that name in
// between, the next free name is taken; a folder made by another is never used.
std::string makeFreshFolder(const std::string& cacheDir, const security::SecurityDescriptor& descriptor) {
    for (int attempt = 1;; ++attempt) {
        const std::string path = FileUtils::createTempFile(cacheDir, "", ".tmp");
        FileUtils::deleteFile(path);
        try {
            FileUtils::createDirWithSecurity(path, descriptor);
            return path;
        } catch (const SysError& error) {
            const bool taken = error.code() == ERROR_ALREADY_EXISTS || error.code() == ERROR_FILE_EXISTS;
            if (!taken || attempt == maxNameAttempts) {
                throw;
            }
            LOG_WARNING("InstallVRE", "-- [" << path << "] was taken by someone else; trying the next name.");
        }
    }
}

}  // namespace

void WorkFolders::hold(const std::string& level, const security::SecurityDescriptor& descriptor) {
    HeldFolder folder(level);
    folder.secure(descriptor);
    held_.push_back(std::move(folder));
}

WorkFolders WorkFolders::make(int bits, const security::SecurityDescriptor& descriptor) {
    const SysInfo::PatchCache cache = SysInfo::getPatchCache(bits);
    WorkFolders folders;
    folders.cacheBase_ = cache.base;
    folders.cacheRelative_ = cache.relative;
    std::string level = cache.base;
    std::istringstream pieces(cache.relative);
    for (std::string piece; std::getline(pieces, piece, '\\');) {
        if (piece.empty()) {
            continue;
        }
        level = FileUtils::join(level, piece);
        if (!exists(level)) {
            FileUtils::createDirWithSecurity(level, descriptor);
        }
        folders.hold(level, descriptor);
    }
    folders.cacheDir_ = level;
    folders.workDir_ = makeFreshFolder(folders.cacheDir_, descriptor);
    folders.hold(folders.workDir_, descriptor);
    return folders;
}

void WorkFolders::addTo(CleanupList& cleanup) const {
    cleanup.addTree(workDir_);
    cleanup.addDirChain(cacheBase_, cacheRelative_);
}

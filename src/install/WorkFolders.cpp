#include "install/WorkFolders.h"

#include <windows.h>

#include <sstream>

#include "diag/Logger.h"
#include "diag/SysError.h"
#include "diag/VdsError.h"
#include "install/LinkGuard.h"
#include "platform/FileUtils.h"
#include "platform/SysInfo.h"

namespace {

// Names already taken by someone else between our temporary file and our folder are
// skipped; this many in a row means something is deliberately in the way.
constexpr int maxNameAttempts = 100;

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Walks the chain from `base` down to the cache folder: refuses links, creates what is
// missing with the descriptor, and secures the cache folder when it was there already.
void secureChain(const std::string& base, const std::string& relative,
                 const security::SecurityDescriptor& descriptor) {
    std::string level = base;
    std::istringstream pieces(relative);
    std::string piece;
    bool created = false;
    while (std::getline(pieces, piece, '\\')) {
        if (piece.empty()) {
            continue;
        }
        level = FileUtils::join(level, piece);
        LinkGuard::refuseReparsePoint(level);
        created = !exists(level);
        if (created) {
            FileUtils::createDirWithSecurity(level, descriptor);
        } else if (!FileUtils::isDirectory(level)) {
            VDS_THROW(std::runtime_error, "InstallVRE", "[" + level + "] is in the way of the patch cache");
        }
    }
    if (!created) {
        FileUtils::setSecurity(level, descriptor);
    }
}

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

WorkFolders WorkFolders::make(int bits, const security::SecurityDescriptor& descriptor) {
    const SysInfo::PatchCache cache = SysInfo::getPatchCache(bits);
    WorkFolders folders;
    folders.cacheBase = cache.base;
    folders.cacheRelative = cache.relative;
    folders.cacheDir = FileUtils::join(cache.base, cache.relative);
    secureChain(cache.base, cache.relative, descriptor);
    folders.workDir = makeFreshFolder(folders.cacheDir, descriptor);
    return folders;
}

void WorkFolders::addTo(CleanupList& cleanup) const {
    cleanup.addTree(workDir);
    cleanup.addDirChain(cacheBase, cacheRelative);
}

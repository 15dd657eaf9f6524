#include "install/WorkFolders.h"

#include <windows.h>

#include "diag/Logger.h"
#include "diag/SysError.h"
#include "diag/VdsError.h"
#include "platform/FileUtils.h"

namespace {

// Names already taken by someone else between our temporary file and our folder are
// skipped; this many in a row means something is deliberately in the way.
constexpr int maxNameAttempts = 100;

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
    WorkFolders folders(CacheChain::make(bits, descriptor));
    folders.workDir_ = makeFreshFolder(folders.cacheDir(), descriptor);
    folders.work_.emplace(folders.workDir_);
    folders.work_->secure(descriptor);
    return folders;
}

void WorkFolders::addTo(CleanupList& cleanup) const {
    cleanup.addTree(workDir_);
    chain_.addTo(cleanup);
}

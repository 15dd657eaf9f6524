#include "install/OrphanWorkFolders.h"

#include <windows.h>

#include <algorithm>
#include <cctype>

#include "diag/CatchAndLog.h"
#include "diag/ErrorText.h"
#include "diag/Logger.h"
#include "platform/DirectoryIterator.h"
#include "platform/FileUtils.h"
#include "win/AutoHandle.h"

namespace {

constexpr const char* function = "OrphanWorkFolders::remove";

// "<digits>.tmp", the names that working folders and their temporary files get.
bool isWorkName(const std::string& name) {
    const std::string suffix = ".tmp";
    if (name.size() <= suffix.size() ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
        return false;
    }
    return std::all_of(name.begin(), name.end() - suffix.size(),
                       [](unsigned char c) { return std::isdigit(c) != 0; });
}

// Whether nobody has `path` open: it opens without any sharing (and without following a
// link). False, with the reason logged, when it does not.
bool nobodyHolds(const std::string& path) {
    const AutoHandle probe(CreateFileA(path.c_str(), DELETE | FILE_READ_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!probe) {
        const DWORD code = GetLastError();
        LOG_WARNING(function, "Leaving [" << path
                                          << "], left by an earlier installer: it cannot be opened alone ("
                                          << systemErrorText(code) << ")");
        return false;
    }
    return true;
}

class OrphanRemover final : public FileUtils::DirectoryCallback {
public:
    // The gap between the probe and the deletion is safe: under the install lock no other
    // installer of this cache runs, and nobody else may write in the secured cache.
    bool onFile(const std::string& path) override {
        if (isWorkName(FileUtils::basename(path)) && nobodyHolds(path)) {
            report(path, FileUtils::tryDeleteFile(path));
        }
        return true;
    }
    bool onDirectory(const std::string& path) override {
        if (isWorkName(FileUtils::basename(path)) && nobodyHolds(path)) {
            report(path, FileUtils::tryDeleteTree(path));
        }
        return true;
    }

private:
    static void report(const std::string& path, bool removed) {
        if (removed) {
            LOG_INFO(function,
                     "Removed [" << path << "], left by an earlier installer that did not end its run");
        } else {
            LOG_WARNING(function, "Could not remove all of [" << path << "], left by an earlier installer");
        }
    }
};

}  // namespace

namespace OrphanWorkFolders {

void remove(const std::string& cacheDir) {
    try {
        OrphanRemover remover;
        FileUtils::iterateDirectory(cacheDir, remover);
    }
    VDS_CATCH_AND_LOG(function)
}

}  // namespace OrphanWorkFolders

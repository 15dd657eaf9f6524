#include "platform/BatchDeleter.h"

#include <windows.h>

#include "diag/CatchAndLog.h"
#include "diag/Logger.h"
#include "platform/DeleteCallbacks.h"
#include "platform/FileUtils.h"

namespace {

bool deleteContent(const std::string& path, bool whole) {
    if (whole) {
        FileUtils::DeleteAllCallback callback(false);
        FileUtils::iterateDirectory(path, callback);
        return !callback.failed() && FileUtils::tryDeleteDirectory(path);
    }
    FileUtils::DeleteFilesCallback callback(false);
    FileUtils::iterateDirectory(path, callback);
    return !callback.failed();
}

}  // namespace

bool BatchDeleter::execute() const {
    try {
        const DWORD attributes = GetFileAttributesA(path_.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            const DWORD code = GetLastError();
            return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
        }
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            return false;
        }
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            // A folder link goes as a link; what it points to is not ours to delete, and
            // the files "in" a link are the files of the folder it leads to.
            if (whole_) {
                return FileUtils::tryDeleteDirectory(path_);
            }
            LOG_WARNING("BatchDeleter::execute",
                        "[" << path_ << "] is a link (reparse point); the files it leads to are left alone");
            return false;
        }
        return deleteContent(path_, whole_);
    }
    VDS_CATCH_AND_LOG("BatchDeleter::execute")
    return false;
}

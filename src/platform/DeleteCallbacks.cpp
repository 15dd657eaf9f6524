#include "platform/DeleteCallbacks.h"

#include "platform/FileUtils.h"

namespace FileUtils {

bool DeleteFilesCallback::onFile(const std::string& path) {
    if (strict_) {
        deleteFile(path);
    } else if (!tryDeleteFile(path)) {
        failed_ = true;
    }
    return true;
}

bool DeleteFilesCallback::onDirectory(const std::string&) { return true; }

bool DeleteAllCallback::onDirectory(const std::string& path) {
    if (strict()) {
        deleteTree(path);
    } else if (!tryDeleteTree(path)) {
        setFailed();
    }
    return true;
}

}  // namespace FileUtils

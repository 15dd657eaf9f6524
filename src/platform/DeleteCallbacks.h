#pragma once

#include <string>

#include "platform/DirectoryIterator.h"

namespace FileUtils {

// Deletes the files of a walk and passes over its folders. Strict: a file that cannot be
// deleted throws; tolerant: it is noted in failed() and the walk goes on.
class DeleteFilesCallback : public DirectoryCallback {
public:
    explicit DeleteFilesCallback(bool strict) : strict_(strict) {}

    bool onFile(const std::string& path) override;
    bool onDirectory(const std::string& path) override;

    bool failed() const { return failed_; }

protected:
    bool strict() const { return strict_; }
    void setFailed() { failed_ = true; }

private:
    bool strict_;
    bool failed_ = false;
};

// Deletes everything a walk meets: files as above, folders with their whole tree
// (links removed as links).
class DeleteAllCallback : public DeleteFilesCallback {
public:
    using DeleteFilesCallback::DeleteFilesCallback;

    bool onDirectory(const std::string& path) override;
};

}  // namespace FileUtils

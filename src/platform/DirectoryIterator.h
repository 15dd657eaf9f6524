#pragma once

#include <string>
#include <vector>

namespace FileUtils {

// What a directory walk does with each entry. Returning false stops the walk.
class DirectoryCallback {
public:
    virtual ~DirectoryCallback() = default;
    virtual bool onFile(const std::string& path);
    virtual bool onDirectory(const std::string& path);
};

// Walks the entries directly inside `dir` ("." and ".." left out), handing each full
// path to the callback: folders (also folder links) to onDirectory, everything else to
// onFile. A folder without entries ends quietly; a missing folder throws
// VdsError<SysError> "FindFirstFile(<dir>) failed".
void iterateDirectory(const std::string& dir, DirectoryCallback& callback);

// Collects the paths of a walk in walk order, a folder before its contents. When
// recursing it never enters a junction or folder symbolic link, so the result stays
// inside the tree.
class DirectoryIterator : public DirectoryCallback {
public:
    DirectoryIterator(bool recurse, bool collectFiles, bool collectFolders);

    bool onFile(const std::string& path) override;
    bool onDirectory(const std::string& path) override;

    const std::vector<std::string>& paths() const { return paths_; }

private:
    bool recurse_;
    bool collectFiles_;
    bool collectFolders_;
    std::vector<std::string> paths_;
};

}  // namespace FileUtils

#pragma once

#include <string>
#include <vector>

// Paths to delete when the list goes out of scope. Entries run by kind: single files
// first, then the files inside folders, then whole trees, then empty folders; entries of
// one kind in the order they were added. A list made with `rebootFlag` schedules
// whatever it could not delete at once for deletion at the next restart of Windows.
// Nothing it does throws.
class CleanupList {
public:
    explicit CleanupList(bool rebootFlag);
    ~CleanupList();
    CleanupList(const CleanupList&) = delete;
    CleanupList& operator=(const CleanupList&) = delete;

    // A file.
    void addFile(const std::string& path);
    // The files directly inside a folder (its sub-folders and the folder stay).
    void addFilesIn(const std::string& path);
    // A folder with everything below it.
    void addTree(const std::string& path);
    // A folder, removed only when it is empty.
    void addEmptyDir(const std::string& path);
    // The folder join(base, relativePath) and each of its parents below `base` as empty
    // folders, deepest first; `base` itself and anything outside it are never added.
    void addDirChain(const std::string& base, const std::string& relativePath);

private:
    // Bits 1-2: what to delete (0 file, 1 files in folder, 2 tree, 3 empty folder);
    // bit 0: schedule what is left at reboot.
    struct Entry {
        std::string path;
        int kind;
    };

    void add(const std::string& path, int what);
    static void run(const Entry& entry);

    bool rebootFlag_;
    std::vector<Entry> entries_;
};

namespace FileUtils {

// Deletes the file now or, when it cannot be deleted now, at the next restart.
void deleteNowOrAtReboot(const std::string& path);

}  // namespace FileUtils

#include "platform/CleanupList.h"

#include <windows.h>

#include <algorithm>

#include "diag/CatchAndLog.h"
#include "platform/DirectoryIterator.h"
#include "platform/FileUtils.h"

namespace {

enum What { file = 0, filesIn = 1, tree = 2, emptyDir = 3 };

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// What of a folder is left for the reboot: its files, or (whole) the folder and
// everything below it with each folder before its contents. A link is left as itself,
// and nothing it leads to is touched.
std::vector<std::string> leftovers(const std::string& folder, bool whole) {
    std::vector<std::string> paths;
    if (whole) {
        paths.push_back(folder);
    }
    if (FileUtils::isReparsePoint(folder)) {
        return paths;
    }
    FileUtils::DirectoryIterator iterator(whole, true, whole);
    FileUtils::iterateDirectory(folder, iterator);
    paths.insert(paths.end(), iterator.paths().begin(), iterator.paths().end());
    return paths;
}

void scheduleLeftovers(const std::string& folder, bool whole) {
    const std::vector<std::string> paths = leftovers(folder, whole);
    // Contents before their folder: Windows runs the pending operations in order.
    std::for_each(paths.rbegin(), paths.rend(), FileUtils::deleteOnReboot);
}

// The pieces of a relative path without empty and "." pieces, joined by '\\'; empty when
// a ".." piece would lead out of the base (such a chain is never added).
std::string chainBelowBase(const std::string& relativePath) {
    std::string chain;
    std::string::size_type start = 0;
    while (start <= relativePath.size()) {
        const std::string::size_type end =
            std::min(relativePath.find_first_of("\\/", start), relativePath.size());
        const std::string piece = relativePath.substr(start, end - start);
        if (piece == "..") {
            return std::string();
        }
        if (!piece.empty() && piece != ".") {
            chain = chain.empty() ? piece : chain + "\\" + piece;
        }
        start = end + 1;
    }
    return chain;
}

}  // namespace

CleanupList::CleanupList(bool rebootFlag) : rebootFlag_(rebootFlag) {}

CleanupList::~CleanupList() {
    std::stable_sort(entries_.begin(), entries_.end(),
                     [](const Entry& a, const Entry& b) { return a.kind < b.kind; });
    for (const Entry& entry : entries_) {
        run(entry);
    }
}

void CleanupList::add(const std::string& path, int what) {
    entries_.push_back(Entry{path, (what << 1) | (rebootFlag_ ? 1 : 0)});
}

void CleanupList::addFile(const std::string& path) { add(path, file); }

void CleanupList::addFilesIn(const std::string& path) { add(path, filesIn); }

void CleanupList::addTree(const std::string& path) { add(path, tree); }

void CleanupList::addEmptyDir(const std::string& path) { add(path, emptyDir); }

void CleanupList::addDirChain(const std::string& base, const std::string& relativePath) {
    // Only folders strictly inside base: a chain must never climb to folders that are
    // not ours, nor name the base itself ("." or empty pieces).
    std::string chain = chainBelowBase(relativePath);
    while (!chain.empty()) {
        addEmptyDir(FileUtils::join(base, chain));
        const std::string::size_type last = chain.rfind('\\');
        chain = last == std::string::npos ? std::string() : chain.substr(0, last);
    }
}

void CleanupList::run(const Entry& entry) {
    try {
        const What what = static_cast<What>(entry.kind >> 1);
        switch (what) {
            case file:
                FileUtils::tryDeleteFile(entry.path);
                break;
            case filesIn:
                FileUtils::deleteFilesIn(entry.path);
                break;
            case tree:
                FileUtils::tryDeleteTree(entry.path);
                break;
            case emptyDir:
                FileUtils::tryDeleteDirectory(entry.path);
                break;
        }
        if ((entry.kind & 1) == 0 || !exists(entry.path)) {
            return;
        }
        if (what == file || what == emptyDir) {
            FileUtils::deleteOnReboot(entry.path);
        } else if (FileUtils::isDirectory(entry.path)) {
            scheduleLeftovers(entry.path, what == tree);
        }
    }
    VDS_CATCH_AND_LOG("CleanupList::run")
}

namespace FileUtils {

void deleteNowOrAtReboot(const std::string& path) {
    CleanupList list(true);
    list.addFile(path);
}

}  // namespace FileUtils

#pragma once

// What the end-to-end scenarios share: the testbed runtime image and the patch cache,
// the files a home holds, and what a run of a program under test logged and posted.
#include <windows.h>

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace e2e {

// The packed archives of a runtime image, in the order they are expanded.
extern const char* const archives[7];
// The bridge files that a 64-bit runtime environment does not take from the image.
extern const std::set<std::string> otherArchitectureFiles;
extern const char* const classDataArchive;
extern const char* const classDataFailMarker;

std::string join(const std::string& folder, const std::string& name);
std::string commonAppData();
// A 64-bit installer keeps its base images in the 64-bit cache.
std::string cacheDir();
std::string cachedImage();
std::string sha256(const std::string& path);

// The names directly inside `folder`, files and folders alike.
std::set<std::string> entriesIn(const std::string& folder);
// Every file below `root`, by its path relative to `root`.
std::set<std::string> filesBelow(const std::string& root, const std::string& relative = "");

// The files a 64-bit runtime environment gets from the new image listed in `listPath`
// (written by list_image.py), by relative path, with their SHA-256 digests; the first
// `expanded` packed archives in their expanded form, the others still packed.
std::map<std::string, std::string> imageFiles(const std::string& listPath, std::size_t expanded = 7);

// Copies every file below `from` to the same place below `to`, making `to` and the folders.
void copyTree(const std::string& from, const std::string& to);

// Checks that `home` holds exactly `expected` (with those contents) and the files named in `others`.
void expectHome(const std::string& home, const std::map<std::string, std::string>& expected,
                const std::set<std::string>& others);

// Puts `content` into the patch cache as the cached base image, making the cache's
// folders that are missing.
void seedCache(const std::string& content);

// What one run of a program under test did.
struct ChildRun {
    DWORD code = 0;
    std::string output;                 // what it printed
    std::vector<std::string> log;       // "<LEVEL> <message>" of the records of interest
    std::vector<std::string> progress;  // what the progress display saw
};

// The ERROR and WARNING lines of a run; a caught exception shows as "ERROR Exception: "
// and its text without the place it was thrown at.
std::vector<std::string> problems(const ChildRun& run);
// Each of the run's problems begins with the matching one of `expected`.
void expectProblems(const ChildRun& run, const std::vector<std::string>& expected);
bool logged(const ChildRun& run, const std::string& line);

std::string started(int id);
std::string finished(int id);
// The progress display saw `operations` started and finished in order, at least the
// starts of `mustSee`, and ends on the last posted record (nothing when nothing was
// posted). Records that are replaced at once may escape a polling display; those that
// are followed by a child program's run may not.
void expectProgress(const ChildRun& run, const std::vector<int>& operations, const std::vector<int>& mustSee);

}  // namespace e2e

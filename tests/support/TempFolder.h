#pragma once

#include <string>

namespace testsupport {

// A new, empty folder of its own below the Windows temporary folder; the whole tree is
// removed when the object goes away.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder's full path (ANSI; the name itself is plain ASCII).
    const std::string& path() const { return path_; }
    // The path of `name` inside the folder.
    std::string file(const std::string& name) const { return path_ + "\\" + name; }
    // The names in the folder, sorted and separated by spaces: shows leftovers such as
    // temporary files at a glance.
    std::string listing() const;

private:
    std::string path_;
};

}  // namespace testsupport

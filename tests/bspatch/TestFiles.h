#pragma once

#include <filesystem>
#include <string>

// Small file helpers for the patch tool's tests.
namespace testfiles {

std::string read(const std::filesystem::path& path);
void write(const std::filesystem::path& path, const std::string& bytes);

// A path handed over from the build through an environment variable, as a Windows
// path: the build speaks in Unix paths, which Wine shows as drive Z:.
std::filesystem::path fromEnvironment(const char* variable);

// A fresh, empty folder below the Windows temporary folder, removed on scope exit.
class TempDir {
public:
    TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();

    const std::filesystem::path& path() const noexcept { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
    // The names in the folder, sorted: shows leftovers such as temporary output files.
    std::string listing() const;

private:
    std::filesystem::path path_;
};

}  // namespace testfiles

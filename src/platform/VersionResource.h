#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The version resource of an executable or library file.
class VersionResource {
public:
    // Reads the resource; throws VdsError<SysError> "GetFileVersionInfoSize(<path>)
    // failed" or "GetFileVersionInfo(<path>) failed".
    explicit VersionResource(std::string path);

    // The fixed file information (the root record "\").
    VS_FIXEDFILEINFO fixedFileInfo() const;

private:
    VS_FIXEDFILEINFO readResourceRecord(const std::string& subBlock) const;

    std::string path_;
    std::vector<BYTE> data_;
};

namespace FileUtils {

// The four numbers of a file version, e.g. 8.0.3210.7.
struct FileVersion {
    unsigned major = 0;
    unsigned minor = 0;
    unsigned build = 0;
    unsigned revision = 0;

    friend bool operator==(const FileVersion&, const FileVersion&) = default;
};

// The file version of the version resource of `path`.
FileVersion fileVersion(const std::string& path);

}  // namespace FileUtils

#pragma once

#include <cstdint>
#include <string>

namespace testsupport {

// A small tmpfs mounted over a folder of this Wine prefix, so that a test can run a
// program out of disk space without filling the machine's own disk. Wine runs Unix
// programs as children, so the mount is made by /bin/sh from inside the test; it needs
// root and the mount capability, which a container may withhold: then mounted() is false
// and reason() says what the attempt answered. The destructor unmounts.
class SmallDisk {
public:
    // Makes `folder` when it is missing and mounts a tmpfs of `bytes` over it.
    SmallDisk(const std::string& folder, std::uint64_t bytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& reason() const { return reason_; }

    // Gives the disk `bytes` in all, keeping what it holds: space freed for a rerun.
    void grow(std::uint64_t bytes);

private:
    std::string unixPath_;
    bool mounted_ = false;
    std::string reason_;
};

// The Unix path that Wine maps the Windows path `path` to.
std::string unixPathOf(const std::string& path);

// Runs `script` with /bin/sh; its exit code, and what it printed in `output`.
unsigned long runUnixShell(const std::string& script, std::string& output);

}  // namespace testsupport

#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "support/CapturedChild.h"

namespace testsupport {

// progress-watch started as the installer's progress display: it makes the progress
// block before the installer runs (so the installer only opens it) and records every
// change it sees. The block holds only the latest record and the watcher polls it, so a
// record that is replaced within a millisecond or so may be missed; what it saw is
// always in the order the installer posted it.
class ProgressWatcher {
public:
    // Starts `program` (progress-watch.exe) and waits until it has made the block;
    // throws std::runtime_error when it does not.
    explicit ProgressWatcher(const std::string& program);
    ~ProgressWatcher();
    ProgressWatcher(const ProgressWatcher&) = delete;
    ProgressWatcher& operator=(const ProgressWatcher&) = delete;

    // Stops the watcher and returns the records it saw, "operation N started" or
    // "operation N finished", in order. Throws std::runtime_error when the watcher
    // failed.
    std::vector<std::string> stop();

private:
    HANDLE stopEvent_ = nullptr;
    std::unique_ptr<CapturedChild> child_;
};

// Whether `seen` could be what a watcher saw of `posted`: every record seen is one that
// was posted, in the same order, none twice.
bool isSubsequence(const std::vector<std::string>& seen, const std::vector<std::string>& posted);

}  // namespace testsupport

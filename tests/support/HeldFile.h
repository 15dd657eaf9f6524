#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "support/ChildProcess.h"

namespace testsupport {

// Another process that holds an existing file (or folder) open without sharing for as
// long as this object lives, so that the file is "in use" for this process. The
// constructor returns once the file is held and throws when the helper could not open
// it; the destructor lets the helper close the file and waits for its end.
class HeldFile {
public:
    explicit HeldFile(const std::string& path);
    ~HeldFile();
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

private:
    // A named event of this process, closed with the object.
    struct Event {
        explicit Event(const std::string& name);
        ~Event();
        Event(const Event&) = delete;
        Event& operator=(const Event&) = delete;
        HANDLE handle;
    };

    std::string name_;
    Event ready_;
    Event release_;
    std::unique_ptr<ChildProcess> child_;
};

}  // namespace testsupport

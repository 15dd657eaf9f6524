#pragma once

#include <string>

// One tolerant deletion job: the files directly inside a folder, or the whole folder
// with everything below it. A missing folder counts as done.
class BatchDeleter {
public:
    BatchDeleter(std::string path, bool whole) : path_(std::move(path)), whole_(whole) {}

    // Deletes what the job names; true when all of it went. Never throws: failures are
    // logged and give false.
    bool execute() const;

private:
    std::string path_;
    bool whole_;
};

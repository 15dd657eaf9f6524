#pragma once

#include <stdexcept>
#include <string>

namespace bspatch {

// A failing Windows call on one of the files, with the system's description of the error:
// "cannot open "old.bin": The system cannot find the file specified. (error 2)".
class SystemError : public std::runtime_error {
public:
    // `code` is the value of GetLastError right after the failing call.
    SystemError(const std::string& action, const std::string& path, unsigned long code);

    unsigned long code() const noexcept { return code_; }

private:
    unsigned long code_;
};

}  // namespace bspatch

#pragma once

#include <exception>
#include <string>

namespace ipc {

// A failure of the shared-memory layer; always thrown as VdsError<ipc::PlatformError> so
// that the text also names the failing function. The text is "ipc error", followed by
// what failed when that is known.
class PlatformError : public std::exception {
public:
    PlatformError() = default;
    explicit PlatformError(const std::string& detail) : text_("ipc error: " + detail) {}

    const char* what() const noexcept override { return text_.c_str(); }

private:
    std::string text_ = "ipc error";
};

}  // namespace ipc

#pragma once

#include <exception>
#include <string>

namespace settings {

// The settings library's error: one of the result codes of ResultCodes.h and a text
// that says what failed.
class Exception : public std::exception {
public:
    explicit Exception(int code, const std::string& detail = {});

    int code() const noexcept { return code_; }
    const char* what() const noexcept override { return text_.c_str(); }

private:
    int code_;
    std::string text_;
};

}  // namespace settings

#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

// A failed COM call: "<message>: COM error 0x<HRESULT> (<description>)", followed by
// " - <description>" when the thread's COM error object has one.
class ComError : public std::runtime_error {
public:
    ComError(const std::string& message, HRESULT hresult);

    HRESULT hresult() const noexcept { return hresult_; }

private:
    HRESULT hresult_;
};

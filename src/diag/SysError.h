#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

// A failed Windows call: the caller's message joined with the system's text of the
// error code, "<message>. System error [<code>](system error <code> (<description>))".
class SysError : public std::runtime_error {
public:
    // `moduleAddress` lies inside the module whose message table describes `code`
    // (throw sites pass the failing function itself); null means the system table.
    SysError(const std::string& message, const void* moduleAddress, DWORD code);

    // The same with the failing function given directly, e.g. SysError(msg, LoadLibraryW, code).
    template <class Result, class... Arguments>
    SysError(const std::string& message, Result (*function)(Arguments...), DWORD code)
        : SysError(message, reinterpret_cast<const void*>(function), code) {}

    DWORD code() const noexcept { return code_; }

    static std::string makeMessage(const std::string& message, const void* moduleAddress, DWORD code);

private:
    DWORD code_;
};

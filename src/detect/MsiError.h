#pragma once

#include <windows.h>

#include <cstdint>
#include <stdexcept>
#include <string>

namespace msi {

// "<message>. MSI error [<status>](<the installer's text of the status>)"; the text in
// parentheses comes from the installer's message library msimsg.dll and is left out
// when the library or the text is missing.
std::string makeMessage(const std::string& message, std::int32_t status);

// A failed Windows Installer call and its status code. Thrown as VdsError<msi::Error>.
class Error : public std::runtime_error {
public:
    Error(const std::string& message, std::int32_t status);

    std::int32_t status() const noexcept { return status_; }

private:
    std::int32_t status_;
};

}  // namespace msi

#include "SystemError.h"

#include <windows.h>

namespace bspatch {
namespace {

std::string describe(unsigned long code) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result =
        length != 0 && text != nullptr ? std::string(text, length) : std::string("unknown error");
    LocalFree(text);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == ' ')) {
        result.pop_back();
    }
    return result;
}

}  // namespace

SystemError::SystemError(const std::string& action, const std::string& path, unsigned long code)
    : std::runtime_error(action + " \"" + path + "\": " + describe(code) + " (error " + std::to_string(code) +
                         ")"),
      code_(code) {}

}  // namespace bspatch

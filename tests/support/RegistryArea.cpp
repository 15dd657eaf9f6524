#include "support/RegistryArea.h"

#include <stdexcept>

namespace testsupport {

RegistryArea::RegistryArea(HKEY root, REGSAM view) : root_(root), view_(view) {
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const std::string candidate = "Software\\VeskTest-" + std::to_string(GetCurrentProcessId()) + "-" +
                                      std::to_string(GetTickCount()) + "-" + std::to_string(++counter);
        HKEY key = nullptr;
        DWORD disposition = 0;
        const LSTATUS result = RegCreateKeyExA(root, candidate.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                               KEY_READ | KEY_WRITE | view, nullptr, &key, &disposition);
        if (result != ERROR_SUCCESS) {
            throw std::runtime_error("RegCreateKeyExA(" + candidate + ") failed with error " +
                                     std::to_string(result));
        }
        RegCloseKey(key);
        if (disposition == REG_CREATED_NEW_KEY) {
            subKey_ = candidate;
            return;
        }
    }
    throw std::runtime_error("no unused registry key name found");
}

RegistryArea::~RegistryArea() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root_, subKey_.c_str(), 0, KEY_ALL_ACCESS | view_, &key) == ERROR_SUCCESS) {
        RegDeleteTreeA(key, nullptr);
        RegCloseKey(key);
    }
    RegDeleteKeyExA(root_, subKey_.c_str(), view_, 0);
}

}  // namespace testsupport

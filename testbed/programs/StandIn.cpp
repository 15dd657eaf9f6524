#include "StandIn.h"

#include <windows.h>

#include <cstdio>
#include <stdexcept>

namespace standin {

namespace {

std::string parentOf(const std::string& path) {
    const auto separator = path.find_last_of("\\/");
    return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

}  // namespace

std::string programPath() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            throw std::runtime_error("GetModuleFileNameA failed with error " +
                                     std::to_string(GetLastError()));
        }
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::string homeDirectory() { return parentOf(parentOf(programPath())); }

int introduce(const char* name) {
    std::printf("%s %s (Vesk testbed runtime)\n", name, VESK_TESTBED_VERSION);
    return 0;
}

int fail(const char* name, const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", name, message.c_str());
    return 1;
}

}  // namespace standin

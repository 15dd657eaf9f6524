#include "config/CommandLineArgs.h"

#include <shellapi.h>

#include <memory>

#include "diag/tstrings.h"

namespace commandlineargs {

namespace {

struct LocalRelease {
    void operator()(LPWSTR* arguments) const { LocalFree(arguments); }
};

}  // namespace

std::optional<std::vector<std::string>> splitToUtf8(const std::wstring& commandLine, DWORD& error) {
    int count = 0;
    const std::unique_ptr<LPWSTR, LocalRelease> arguments(CommandLineToArgvW(commandLine.c_str(), &count));
    if (!arguments) {
        error = GetLastError();
        return std::nullopt;
    }
    std::vector<std::string> utf8;
    for (int index = 0; index < count; ++index) {
        utf8.push_back(tstrings::toUtf8(arguments.get()[index]));
    }
    return utf8;
}

}  // namespace commandlineargs

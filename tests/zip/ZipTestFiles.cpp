#include "ZipTestFiles.h"

#include <algorithm>
#include <filesystem>

#include <windows.h>

#include "support/ChildProcess.h"

namespace ziptest {

namespace {

std::string utf8(const std::wstring& wide) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string text(static_cast<std::size_t>(std::max(size, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size, nullptr,
                        nullptr);
    return text;
}

std::string fixtureFolder() {
    const std::string self = testsupport::selfPath();
    return self.substr(0, self.find_last_of('\\')) + "\\fixtures";
}

}  // namespace

std::string fixture(const std::string& name) { return fixtureFolder() + "\\" + name; }

std::string originals(const std::string& archive) { return fixtureFolder() + "\\originals\\" + archive; }

std::vector<std::string> listTree(const std::string& folder) {
    namespace fs = std::filesystem;
    std::vector<std::string> paths;
    std::error_code error;
    for (fs::recursive_directory_iterator it(fs::path(folder), error), end; !error && it != end;
         it.increment(error)) {
        std::string relative = utf8(fs::relative(it->path(), fs::path(folder)).wstring());
        std::replace(relative.begin(), relative.end(), '/', '\\');
        paths.push_back(it->is_directory() ? relative + "\\" : relative);
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

}  // namespace ziptest

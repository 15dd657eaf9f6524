#include "ZipTestFiles.h"

#include <algorithm>
#include <filesystem>

#include "support/ChildProcess.h"

namespace ziptest {

namespace {

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
        std::string relative = fs::relative(it->path(), fs::path(folder)).string();
        std::replace(relative.begin(), relative.end(), '/', '\\');
        paths.push_back(it->is_directory() ? relative + "\\" : relative);
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

}  // namespace ziptest

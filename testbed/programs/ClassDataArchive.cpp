#include "ClassDataArchive.h"

#include "ZipListing.h"
#include "testbed/TestbedNames.h"

#include <windows.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace ClassDataArchive {

namespace {

std::string join(const std::string& folder, const std::string& relative) { return folder + "\\" + relative; }

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

void dump(const std::string& home) {
    const std::string marker = join(home, testbed::classDataFailMarker);
    if (exists(marker)) {
        const std::string reason = readText(marker);
        throw std::runtime_error("asked to fail by " + marker + (reason.empty() ? "" : ": " + reason));
    }
    const std::vector<std::string> entries = zipEntryNames(join(home, testbed::runtimeArchive));

    const std::string target = join(home, testbed::classDataArchive);
    const std::string folder = target.substr(0, target.find_last_of('\\'));
    if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        throw std::runtime_error("cannot create " + folder + " (error " + std::to_string(GetLastError()) +
                                 ")");
    }
    // Written beside the target and renamed, so a failed run never leaves half an archive.
    const std::string partial = target + ".part";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out << "VSA 1 " << VESK_TESTBED_VERSION << "\n";
        for (const std::string& entry : entries) {
            out << entry << "\n";
        }
        out.close();
        if (!out) {
            DeleteFileA(partial.c_str());
            throw std::runtime_error("cannot write " + partial);
        }
    }
    if (!MoveFileExA(partial.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        const DWORD error = GetLastError();
        DeleteFileA(partial.c_str());
        throw std::runtime_error("cannot rename " + partial + " to " + target + " (error " +
                                 std::to_string(error) + ")");
    }
}

}  // namespace ClassDataArchive

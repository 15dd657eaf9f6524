#include "TestbedFiles.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace testbedfiles {

std::string binPath(const std::string& name) { return std::string(TESTBED_BIN_DIR) + "/" + name; }
std::string imagePath(const std::string& name) { return std::string(TESTBED_IMAGE_DIR) + "/" + name; }
std::string fixturePath(const std::string& name) { return std::string(TESTBED_FIXTURE_DIR) + "/" + name; }

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void copyFile(const std::string& source, const std::string& target) {
    if (!CopyFileA(source.c_str(), target.c_str(), FALSE)) {
        throw std::runtime_error("CopyFileA(" + source + ", " + target + ") failed with error " +
                                 std::to_string(GetLastError()));
    }
}

void makeFolders(const std::string& path) {
    std::filesystem::create_directories(std::filesystem::path(path));
}

}  // namespace testbedfiles

// image_phase_host MODULE HOME ARCH: runs the image phase of InstallVRE in a process of
// its own, for a runtime environment of architecture ARCH (32 or 64) whose home is HOME
// (may be empty), with the payload resources of MODULE (an installer, loaded as a data
// file). Prints "noPayload=<0|1>" and "cwd=<current directory>" and exits with the
// result code; an exception that leaves the phase exits with 610017, as the installer
// does.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "detect/InstalledVesk.h"
#include "install/ImagePhase.h"

namespace {

constexpr int uncaughtException = 610017;

std::string currentDirectory() {
    char path[MAX_PATH + 1] = {};
    const DWORD length = GetCurrentDirectoryA(sizeof path, path);
    return length > 0 && length < sizeof path ? std::string(path, length) : std::string("?");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: image_phase_host MODULE HOME ARCH\n");
        return 2;
    }
    const HMODULE module = LoadLibraryExA(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) {
        std::fprintf(stderr, "image_phase_host: cannot load %s (error %lu)\n", argv[1], GetLastError());
        return 2;
    }
    InstalledVesk product;
    product.bundle.type = Bundle::VRE;
    product.bundle.arch = std::atoi(argv[3]);
    product.mode = InstalledVesk::ordinaryMode;
    product.homeDir = argv[2];
    try {
        const ImagePhaseResult result = InstallVREImage(module, product, false);
        std::printf("noPayload=%d\ncwd=%s\n", result.noPayload ? 1 : 0, currentDirectory().c_str());
        std::fflush(stdout);
        return result.code;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "image_phase_host: exception: %s\n", error.what());
    } catch (...) {
        std::fprintf(stderr, "image_phase_host: unknown exception\n");
    }
    return uncaughtException;
}

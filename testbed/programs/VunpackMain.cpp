// vunpack.exe [-r] SOURCE TARGET: expands the packed archive SOURCE into TARGET; with -r
// the packed source is removed after a successful expansion.
#include "StandIn.h"
#include "Unpacker.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <exception>

int main(int argc, char** argv) {
    int next = 1;
    const bool removeSource = argc > next && std::strcmp(argv[next], "-r") == 0;
    if (removeSource) {
        ++next;
    }
    if (argc - next != 2) {
        std::fprintf(stderr, "usage: vunpack [-r] SOURCE TARGET\n");
        return 2;
    }
    const std::string source = argv[next];
    const std::string target = argv[next + 1];
    try {
        Unpacker::expand(source, target);
    } catch (const std::exception& e) {
        return standin::fail("vunpack", e.what());
    }
    if (removeSource && !DeleteFileA(source.c_str())) {
        return standin::fail("vunpack", target + " was expanded, but removing " + source +
                                            " failed with error " + std::to_string(GetLastError()));
    }
    return 0;
}

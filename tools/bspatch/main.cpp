// bspatch.exe oldfile newfile patchfile: rebuilds newfile from oldfile and a BSDIFF40
// patch. Exit code 0 on success, 1 on any failure with the reason on stderr.

#include "Bspatch.h"

#include <cstdio>
#include <exception>

int main(int argc, char* argv[]) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s oldfile newfile patchfile\n", argc > 0 ? argv[0] : "bspatch");
        return 1;
    }
    try {
        bspatch::applyPatchFile(argv[1], argv[2], argv[3]);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bspatch: %s\n", error.what());
    } catch (...) {
        std::fprintf(stderr, "bspatch: unexpected failure\n");
    }
    return 1;
}

// veskw.exe: the windowed runtime launcher. The installer runs it once after unpacking
// with -Xshare:dump to build the class-data archive; any other use just introduces it.
#include "ClassDataArchive.h"
#include "StandIn.h"

#include <cstring>
#include <exception>

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-Xshare:dump") == 0) {
            try {
                ClassDataArchive::dump(standin::homeDirectory());
                return 0;
            } catch (const std::exception& e) {
                return standin::fail("veskw", std::string("class data sharing failed: ") + e.what());
            }
        }
    }
    return standin::introduce("veskw");
}

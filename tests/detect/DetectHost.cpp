// Runs one detection pass as a process of its own and prints one line per record:
// "<product code>|<type>|<arch>|<version>|<home>|<mode>". Tests start it to watch from
// outside what detection asks Windows Installer; the benchmark times it.
#include <cstdio>
#include <exception>

#include "detect/VeskEnvironment.h"

int main() {
    try {
        for (const InstalledVesk& product : VeskEnvironment::detect()) {
            std::printf("%s|%d|%d|%s|%s|%d\n", product.productCode.toString().c_str(),
                        static_cast<int>(product.bundle.type), static_cast<int>(product.bundle.arch),
                        product.bundle.version.toString().c_str(), product.homeDir.c_str(),
                        static_cast<int>(product.mode));
        }
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}

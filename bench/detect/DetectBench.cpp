// Time of one detection pass next to the time of the Windows Installer queries alone
// (one product enumeration and the 4 x 91 related-product queries). With the argument
// "ten" the testbed's ten runtime packages are installed first.
#include <windows.h>
#include <msi.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "detect/MsiUtils.h"
#include "detect/UpgradeCodeInstalledVeskTracker.h"
#include "detect/VeskEnvironment.h"
#include "diag/tstrings.h"
#include "support/TestbedMsi.h"
#include "win/Guid.h"

namespace {

double secondsOf(void (*action)()) {
    const auto start = std::chrono::steady_clock::now();
    action();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void installerQueriesAlone() {
    std::string code;
    for (DWORD index = 0; msi::enumProducts(index, code) == ERROR_SUCCESS; ++index) {
    }
    for (const std::int32_t type : {0, 1}) {
        for (const int bits : {32, 64}) {
            for (int feature = 9; feature < 100; ++feature) {
                const std::string upgradeCode =
                    Guid(tstrings::toUtf16(tstrings::unsafe_format(UpgradeCodeIterator::getTemplate(type), bits, feature),
                                           CP_ACP))
                        .toString();
                for (DWORD index = 0; msi::enumRelatedProducts(upgradeCode, index, code) == ERROR_SUCCESS; ++index) {
                }
            }
        }
    }
}

void detection() { std::printf("records: %zu\n", VeskEnvironment::detect().size()); }

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "ten") {
        for (const TestbedProduct* product : {&vreLegacy64, &vreLegacy32, &vdkLegacy32, &vreNuform64, &vreTestbed64,
                                              &vreTestbed32, &vreBothTrackers64, &vreRow1Update05, &vreNoLocation64,
                                              &vreFamilyMismatch64}) {
            if (testsupport::installTestbedProduct(*product) != 0) {
                std::fprintf(stderr, "installing %s failed\n", product->file);
                return 1;
            }
        }
    }
    const double queries = secondsOf(installerQueriesAlone);
    const double detect = secondsOf(detection);
    std::printf("installer queries alone: %.3f s\ndetection: %.3f s\n", queries, detect);
    return 0;
}

#include "support/TestbedMsi.h"

#include <msi.h>

namespace testsupport {

std::string testbedMsiPath(const TestbedProduct& product) {
    // Wine shows the Linux file system as drive Z:.
    std::string path = std::string("Z:") + testbedMsiDirectory + "/" + product.file;
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

UINT installTestbedProduct(const TestbedProduct& product) {
    const INSTALLUILEVEL previous = MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    const UINT status = MsiInstallProductA(testbedMsiPath(product).c_str(), "");
    MsiSetInternalUI(previous, nullptr);
    return status;
}

bool isProductInstalled(const std::string& productCode) {
    return MsiQueryProductStateA(productCode.c_str()) == INSTALLSTATE_DEFAULT;
}

}  // namespace testsupport

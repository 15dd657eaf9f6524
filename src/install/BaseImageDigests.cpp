#include "install/BaseImageDigests.h"

std::vector<std::string> BaseImageDigests::accepted() {
    std::vector<std::string> digests(std::begin(kProduct), std::end(kProduct));
    digests.insert(digests.end(), extra().begin(), extra().end());
    return digests;
}

#include "detect/InstalledVesksVerifier.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "diag/VdsError.h"

namespace {

[[noreturn]] void fail(const char* message) {
    VDS_THROW(std::invalid_argument, "VeskEnvironment::InstalledVesksVerifier::operator ()", message);
}

bool allowed(const std::set<std::int32_t>& values, std::int32_t value) {
    return values.empty() || values.count(value) != 0;
}

}  // namespace

void VeskEnvironment::InstalledVesksVerifier::operator()(const InstalledVesks& products) const {
    const auto any = [&](auto predicate) { return std::any_of(products.begin(), products.end(), predicate); };
    if (productCodesNonEmpty && any([](const InstalledVesk& p) { return p.productCode == Guid(); })) {
        fail("empty product code");
    }
    if (homeDirsNonEmpty && any([](const InstalledVesk& p) { return p.homeDir.empty(); })) {
        fail("empty home dir");
    }
    if (productCodesUnique) {
        std::set<std::string> codes;
        if (any([&](const InstalledVesk& p) { return !codes.insert(p.productCode.toString()).second; })) {
            fail("duplicated product codes");
        }
    }
    if (any([&](const InstalledVesk& p) { return !allowed(allowedTypes, p.bundle.type); })) {
        fail("unexpected types");
    }
    if (any([&](const InstalledVesk& p) { return !allowed(allowedArchs, p.bundle.arch); })) {
        fail("unexpected archs");
    }
}

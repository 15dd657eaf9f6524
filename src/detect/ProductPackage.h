#pragma once

#include <optional>
#include <string>

#include "detect/MsiDatabase.h"

// The cached package of one installed product, opened on the first property read and
// kept open until the product is done, so that each package is opened at most once.
class ProductPackage {
public:
    explicit ProductPackage(std::string productCode) : productCode_(std::move(productCode)) {}

    // A property of the package's Property table; any failure (no cached package, a
    // property the package lacks) is logged and reads as empty.
    std::string getMsiProperty(const std::string& name);

private:
    std::string productCode_;
    std::optional<msi::Database> database_;
    bool openFailed_ = false;
};

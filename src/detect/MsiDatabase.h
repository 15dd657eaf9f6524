#pragma once

#include <string>

#include "detect/MsiHandle.h"

namespace msi {

// An installer package opened read-only, usually the cached package of an installed
// product.
class Database {
public:
    // The cached package of an installed product (its "LocalPackage" property).
    static Database forProduct(const std::string& productCode);
    // The package at `path`.
    static Database open(const std::string& path);

    // The value of `name` in the package's Property table. The name goes into the query
    // as it is. Throws VdsError<msi::Error> naming the failing call, the package and the
    // query; a property the package lacks fails at MsiViewFetch.
    std::string getProperty(const std::string& name) const;

    const std::string& path() const { return path_; }

private:
    Database(std::string path, AutoMSIHANDLE handle);

    std::string path_;
    AutoMSIHANDLE handle_;
};

}  // namespace msi

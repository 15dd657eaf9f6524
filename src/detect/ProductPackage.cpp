#include "detect/ProductPackage.h"

#include "diag/CatchAndLog.h"

std::string ProductPackage::getMsiProperty(const std::string& name) {
    if (openFailed_) {
        return {};
    }
    try {
        if (!database_) {
            openFailed_ = true;
            database_.emplace(msi::Database::forProduct(productCode_));
            openFailed_ = false;
        }
        return database_->getProperty(name);
    }
    VDS_CATCH_AND_LOG("getMsiProperty")
    return {};
}

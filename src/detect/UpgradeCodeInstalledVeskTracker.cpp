#include "detect/UpgradeCodeInstalledVeskTracker.h"

#include <stdexcept>

#include "detect/MsiUtils.h"
#include "diag/Logger.h"
#include "diag/VdsError.h"
#include "diag/tstrings.h"
#include "win/Guid.h"

namespace UpgradeCodeIterator {

const char* getTemplate(std::int32_t type) {
    switch (type) {
        case TrackedProduct::VRE:
            return "A04E7B13-9D25-4C71-8F6A-3E915%2d2%04d";
        case TrackedProduct::VDK:
            return "%2dE6B27D-5A1C-4F03-8D9E-2B7A0C2%04d0";
        default:
            VDS_THROW(std::invalid_argument, "UpgradeCodeIterator::getTemplate", "Unrecognized product type");
    }
}

}  // namespace UpgradeCodeIterator

InstalledVeskTrackerBase::InstalledVeskTrackerBase(std::int32_t type, std::int32_t bits)
    : template_(UpgradeCodeIterator::getTemplate(type)), bits_(bits) {
    current_.type = type;
    current_.bits = bits;
}

bool InstalledVeskTrackerBase::advanceUpgradeCode() {
    if (feature_ >= featureLimit) {
        return false;
    }
    const std::string text =
        tstrings::unsafe_format(template_, static_cast<int>(bits_), static_cast<int>(feature_));
    ++feature_;
    upgradeCode_ = Guid(tstrings::toUtf16(text, CP_ACP)).toString();
    relatedIndex_ = 0;
    return true;
}

const TrackedProduct* InstalledVeskTrackerBase::next() {
    for (;;) {
        if (upgradeCode_.empty() && !advanceUpgradeCode()) {
            return nullptr;
        }
        std::string productCode;
        const UINT status = msi::enumRelatedProducts(upgradeCode_, relatedIndex_++, productCode);
        if (status == ERROR_SUCCESS) {
            current_.productCode = productCode;
            current_.version = VeskVersion::unknown();
            return &current_;
        }
        if (status != ERROR_NO_MORE_ITEMS) {
            // One damaged registration must not hide the products of every other feature
            // version: this upgrade code is given up, the others are still asked.
            LOG_ERROR("InstalledVeskTrackerBase::next", "MsiEnumRelatedProducts("
                                                            << upgradeCode_ << ", " << relatedIndex_
                                                            << ") failed with error=[" << status
                                                            << "]; the upgrade code is skipped.");
        }
        upgradeCode_.clear();
    }
}

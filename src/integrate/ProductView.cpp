#include "integrate/ProductView.h"

#include <algorithm>

#include "detect/HomePath.h"
#include "diag/tstrings.h"

namespace {

bool isKnownPair(std::int32_t type, std::int32_t arch) {
    return (type == Bundle::VRE || type == Bundle::VDK) && (arch == 32 || arch == 64);
}

}  // namespace

VeskSetupManager::ProductView::ProductView(const InstalledVesks& products, Operation operation,
                                           bool currentVreChanged)
    : latest_(latestWithHome(products)), operation_(operation), currentVreChanged_(currentVreChanged) {
    for (std::size_t slot = 0; slot < 4; ++slot) {
        groupStart_[slot] = products_.size();
        for (const InstalledVesk& product : products) {
            if (isKnownPair(product.bundle.type, product.bundle.arch) &&
                itemIndex(product.bundle.type, product.bundle.arch) == slot) {
                products_.push_back(product);
            }
        }
    }
    groupStart_[4] = products_.size();
}

std::span<const InstalledVesk> VeskSetupManager::ProductView::group(std::int32_t type,
                                                                    std::int32_t arch) const {
    if (!isKnownPair(type, arch)) {
        return {};
    }
    const std::size_t slot = itemIndex(type, arch);
    return std::span<const InstalledVesk>(products_).subspan(groupStart_[slot],
                                                             groupStart_[slot + 1] - groupStart_[slot]);
}

const std::optional<InstalledVesk>& VeskSetupManager::ProductView::latest(std::int32_t type,
                                                                          std::int32_t arch) const {
    return latest_[itemIndex(type, arch)];
}

std::span<const InstalledVesk> VeskSetupManager::ProductView::ofType(std::int32_t type) const {
    if (!isKnownPair(type, 32)) {
        return {};
    }
    const std::size_t first = itemIndex(type, 32);
    return std::span<const InstalledVesk>(products_).subspan(groupStart_[first],
                                                             groupStart_[first + 2] - groupStart_[first]);
}

bool VeskSetupManager::ProductView::hasArch(std::int32_t arch) const {
    return !group(Bundle::VRE, arch).empty() || !group(Bundle::VDK, arch).empty();
}

InstalledVeskTable VeskSetupManager::ProductView::latestWithHome(const InstalledVesks& products) {
    InstalledVesks candidates;
    std::copy_if(products.begin(), products.end(), std::back_inserter(candidates), hasUsableHome);
    return latestInstalled(candidates);
}

std::optional<InstalledVesk> VeskSetupManager::ProductView::current(const InstalledVeskTable& latest,
                                                                    std::int32_t type) {
    const InstalledVeskTable newest = newestOnly(latestOfType(latest, type));
    for (const std::int32_t arch : {64, 32}) {
        if (newest[itemIndex(type, arch)]) {
            return newest[itemIndex(type, arch)];
        }
    }
    return std::nullopt;
}

bool VeskSetupManager::ProductView::hasUsableHome(const InstalledVesk& product) {
    return HomePath::isAbsolute(tstrings::toUtf16(product.homeDir, CP_ACP));
}

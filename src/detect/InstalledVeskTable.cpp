#include "detect/InstalledVeskTable.h"

#include <stdexcept>
#include <utility>

#include "diag/VdsError.h"

namespace {

constexpr std::int32_t types[] = {Bundle::VRE, Bundle::VDK};
constexpr std::int32_t archs[] = {32, 64};

bool isKnownPair(std::int32_t type, std::int32_t arch) {
    return (type == Bundle::VRE || type == Bundle::VDK) && (arch == 32 || arch == 64);
}

std::int32_t other(std::int32_t value, const std::int32_t (&pair)[2]) {
    return value == pair[0] ? pair[1] : pair[0];
}

// A copy of `table` with only the slots for which `keep(type, arch)` holds.
template <class Keep>
InstalledVeskTable filtered(const InstalledVeskTable& table, Keep keep) {
    InstalledVeskTable result;
    for (const std::int32_t type : types) {
        for (const std::int32_t arch : archs) {
            const std::size_t index = itemIndex(type, arch);
            if (keep(type, arch, table[index])) {
                result[index] = table[index];
            }
        }
    }
    return result;
}

}  // namespace

std::size_t itemIndex(std::int32_t type, std::int32_t arch) {
    if (!isKnownPair(type, arch)) {
        VDS_THROW(std::invalid_argument, "itemIndex", "Unexpected 'tag'");
    }
    return (type == Bundle::VDK ? 2 : 0) + (arch == 64 ? 1 : 0);
}

InstalledVeskTable latestInstalled(const std::vector<InstalledVesk>& products) {
    InstalledVeskTable table;
    for (const InstalledVesk& product : products) {
        if (!isKnownPair(product.bundle.type, product.bundle.arch)) {
            continue;
        }
        std::optional<InstalledVesk>& slot = table[itemIndex(product.bundle.type, product.bundle.arch)];
        if (!slot || slot->bundle.version < product.bundle.version) {
            slot = product;
        }
    }
    return table;
}

InstalledVeskTable latestOfType(const InstalledVeskTable& table, std::int32_t type) {
    return filtered(table, [&](std::int32_t t, std::int32_t, const auto&) { return t == type; });
}

InstalledVeskTable latestOfArch(const InstalledVeskTable& table, std::int32_t arch) {
    return filtered(table, [&](std::int32_t, std::int32_t a, const auto&) { return a == arch; });
}

InstalledVeskTable newestOnly(const InstalledVeskTable& table) {
    const std::optional<InstalledVesk>* newest = nullptr;
    for (const std::optional<InstalledVesk>& slot : table) {
        if (slot && (newest == nullptr || (*newest)->bundle.version < slot->bundle.version)) {
            newest = &slot;
        }
    }
    return filtered(table, [&](std::int32_t, std::int32_t, const std::optional<InstalledVesk>& slot) {
        return slot && slot->bundle.version == (*newest)->bundle.version;
    });
}

std::optional<InstalledVesk> pickInstalled(const InstalledVeskTable& table, std::int32_t type,
                                           std::int32_t arch) {
    itemIndex(type, arch);  // throws for a pair that has no slot
    const std::int32_t otherType = other(type, types);
    const std::int32_t otherArch = other(arch, archs);
    for (const auto& [t, a] : {std::pair{type, arch}, std::pair{type, otherArch}, std::pair{otherType, arch},
                               std::pair{otherType, otherArch}}) {
        if (table[itemIndex(t, a)]) {
            return table[itemIndex(t, a)];
        }
    }
    return std::nullopt;
}

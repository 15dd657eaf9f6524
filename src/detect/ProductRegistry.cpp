#include "detect/ProductRegistry.h"

#include <stdexcept>

#include "diag/Logger.h"
#include "diag/VdsError.h"
#include "platform/SysInfo.h"

namespace ProductRegistry {

std::string uninstallKeyPath(const std::string& productCode) {
    return "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + productCode;
}

std::optional<FoundKey> findRegKey(const std::string& path) {
    const bool in32 = Registry::HKLM32.hasSubkey(path);
    const bool in64 = SysInfo::isNativeX64() && Registry::HKLM64.hasSubkey(path);
    if (in32 && in64) {
        LOG_WARNING("getRegKey", "Registry key ["
                                     << path
                                     << "] exists in both 32bit and 64bit HKLM registry hives. Use "
                                        "from 64bit hive.");
    }
    if (in64) {
        return FoundKey{Registry(Registry::HKLM64, path, Registry::Read), 64};
    }
    if (in32) {
        return FoundKey{Registry(Registry::HKLM32, path, Registry::Read), 32};
    }
    return std::nullopt;
}

FoundKey getRegKey(const std::string& path) {
    std::optional<FoundKey> found = findRegKey(path);
    if (!found) {
        VDS_THROW(std::runtime_error, "getRegKey",
                  "Registry key '" + path + "' not found in none of HKLM hives");
    }
    return std::move(*found);
}

std::int32_t detectBits(const std::string& productCode) {
    return getRegKey(uninstallKeyPath(productCode)).bits;
}

}  // namespace ProductRegistry

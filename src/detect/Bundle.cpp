#include "detect/Bundle.h"

#include <stdexcept>

#include "diag/VdsError.h"
#include "diag/tstrings.h"
#include "platform/Registry.h"

std::int32_t Bundle::getType(std::int32_t trackedType) {
    if (trackedType != VRE && trackedType != VDK) {
        VDS_THROW(std::runtime_error, "Bundle::getType",
                  "Unknown Vesk installation type: " + tstrings::toDecimal(trackedType));
    }
    return trackedType;
}

const Registry& Bundle::getRootKey() const {
    switch (arch) {
        case 32:
            return Registry::HKLM32;
        case 64:
            return Registry::HKLM64;
        default:
            VDS_THROW(std::runtime_error, "getRootKey",
                      "Unexpected bundle arch: " + tstrings::toDecimal(arch));
    }
}

std::string Bundle::rootKeyPath() const {
    const bool nuform = version.tag() == VeskVersionDetails::nuformTag;
    switch (type) {
        case VRE:
            return nuform ? "Software\\VeskSoft\\VRE" : "Software\\VeskSoft\\Vesk Runtime Environment";
        case VDK:
            return nuform ? "Software\\VeskSoft\\VDK" : "Software\\VeskSoft\\Vesk Development Kit";
        default:
            throwUnexpectedType();
    }
}

std::string Bundle::versionKeyPath() const {
    return rootKeyPath() + "\\" + version.withoutBuild().toString();
}

std::string Bundle::familyKeyPath() const { return rootKeyPath() + "\\" + version.family().toString(); }

std::string Bundle::getVersionKeyValue(const std::string& name) const {
    return getRootKey().getString(versionKeyPath() + "\\" + name, "");
}

std::wstring Bundle::getVersionKeyWideValue(const std::string& name) const {
    return getRootKey().getWideString(versionKeyPath() + "\\" + name, L"");
}

std::string Bundle::runtimeSubdir() const {
    static const VeskVersion lastFamilyWithSubdir = VeskVersion("1.8.0").family();
    return type == VDK && version.family() <= lastFamilyWithSubdir ? "vre" : "";
}

void Bundle::throwUnexpectedType() const {
    VDS_THROW(std::runtime_error, "Bundle::throwUnexpectedType",
              "Unexpected type" + tstrings::toDecimal(type) + " of " + version.text());
}

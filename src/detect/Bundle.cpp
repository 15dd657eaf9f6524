#include "detect/Bundle.h"

std::string Bundle::runtimeSubdir() const {
    static const VeskVersion lastFamilyWithSubdir = VeskVersion("1.8.0").family();
    return type == VDK && version.family() <= lastFamilyWithSubdir ? "vre" : "";
}

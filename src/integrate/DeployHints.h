#pragma once

#include <cstdint>
#include <string>

#include "config/InstallConfigData.h"
#include "integrate/DeployRecords.h"

// The hints record that deploy.dll's entry points receive, and its text for the log.
namespace DeployHints {

// A freshly made record: all zero but its size and version. UnregisterDeployEx gets it.
InstallHints defaults();

// The record for RegisterDeployEx: the defaults with the web runtime setting (WEB_VESK)
// and the security level (WEB_VESK_SECURITY_LEVEL) that the configuration sets.
InstallHints fromConfig(const InstallConfigData& config);

// The hints' security level for a WEB_VESK_SECURITY_LEVEL value of the configuration (1
// low to 4 very high); any other value throws VdsError<std::runtime_error> "Unexpected
// value of WEB_VESK_SECURITY_LEVEL=<value>".
std::int32_t securityLevel(int configValue);

// "InstallHints(size=56; version=4; ...)": the size, the version and every other field
// that differs from a freshly made record, by the names of its values.
std::string describe(const InstallHints& hints);

}  // namespace DeployHints

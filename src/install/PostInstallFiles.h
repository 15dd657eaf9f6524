#pragma once

#include <string>

#include "detect/InstalledVesk.h"

class InstallConfigData;

// The files that an install places beside the runtime image, or removes from it.

// Copies the usage-tracker properties that USAGETRACKER_CFG names into the product's
// runtime, replacing what is there. Failures are logged.
void InstallVUTConfigFile(const InstalledVesk& product, const InstallConfigData& config);

// Copies the deployment rule set that DEPLOYMENT_RULE_SET names into the Windows folder,
// replacing what is there. Failures are logged.
void InstallDRSFile(const InstallConfigData& config);

// Deletes the archives that older installers left in `home`. A home that is not an
// absolute path, or one too long for the names, is left alone.
void CleanupTempFiles(const std::string& home);

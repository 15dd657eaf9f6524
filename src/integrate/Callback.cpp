#include "integrate/Callback.h"

void VeskSetupManager::Callback::onNoVre(const InstallConfigData&) {}

void VeskSetupManager::Callback::onNoVdk(const InstallConfigData&) {}

void VeskSetupManager::Callback::onNoProducts(const InstallConfigData& config) {
    onNoVre(config);
    onNoVdk(config);
}

bool VeskSetupManager::Callback::propagatesErrors() const { return false; }

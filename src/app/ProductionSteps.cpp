#include "app/ProductionSteps.h"

#include "diag/VdsError.h"

#include <stdexcept>
#include <string>

namespace {

// The configuration, detection, repair and install subsystems join this binding one by
// one; until a step is there it fails loudly, so the entry ends with its generic failure
// code and the log names the missing step instead of reporting an install that never ran.
[[noreturn]] void stepUnavailable(const char* function, const char* step) {
    VDS_THROW(std::logic_error, function, std::string(step) + " is not available in this build");
}

}  // namespace

ProductionSteps::ProductionSteps(HMODULE module) : module_(module) {}

void ProductionSteps::createConfiguration() {
    stepUnavailable("ProductionSteps::createConfiguration", "The install configuration (InstallConfigData)");
}

int ProductionSteps::loadConfigSettings(const std::wstring&) {
    stepUnavailable("ProductionSteps::loadConfigSettings", "Configuration loading");
}

bool ProductionSteps::isConfigErrorTestRequested() {
    stepUnavailable("ProductionSteps::isConfigErrorTestRequested", "The configuration error test hook");
}

int ProductionSteps::configErrorTestCode() {
    stepUnavailable("ProductionSteps::configErrorTestCode", "The configuration error test hook");
}

void ProductionSteps::showConfigError(int) {
    stepUnavailable("ProductionSteps::showConfigError", "Configuration error reporting");
}

int ProductionSteps::exportConfigChanges() {
    stepUnavailable("ProductionSteps::exportConfigChanges", "Configuration export");
}

void ProductionSteps::selectCurrentProduct() {
    stepUnavailable("ProductionSteps::selectCurrentProduct", "Installed runtime detection");
}

bool ProductionSteps::isRepairMode() {
    stepUnavailable("ProductionSteps::isRepairMode", "The repair-mode setting");
}

bool ProductionSteps::uninstallCurrentProduct() {
    stepUnavailable("ProductionSteps::uninstallCurrentProduct", "UninstallVRE");
}

int ProductionSteps::installCurrentProduct() {
    stepUnavailable("ProductionSteps::installCurrentProduct", "InstallVRE");
}

void ProductionSteps::restoreConfigSettings() {
    stepUnavailable("ProductionSteps::restoreConfigSettings", "Configuration restore");
}

#include "app/ProductionSteps.h"

#include "config/ConfigError.h"
#include "config/InstallConfigData.h"
#include "diag/VdsError.h"

#include <stdexcept>
#include <string>

namespace {

// The repair and install subsystems join this binding one by one; until a
// step is there it fails loudly, so the entry ends with its generic failure code and
// the log names the missing step instead of reporting an install that never ran.
[[noreturn]] void stepUnavailable(const char* function, const char* step) {
    VDS_THROW(std::logic_error, function, std::string(step) + " is not available in this build");
}

// A module without RCDATA resource 6 runs as the enterprise variant.
bool isEnterpriseBuild(HMODULE module) {
    return FindResourceA(module, MAKEINTRESOURCEA(6), MAKEINTRESOURCEA(10)) == nullptr;
}

}  // namespace

ProductionSteps::ProductionSteps(HMODULE module) : module_(module) {}

ProductionSteps::~ProductionSteps() = default;

InstallConfigData& ProductionSteps::configuration() {
    if (!configuration_) {
        VDS_THROW(std::logic_error, "ProductionSteps::configuration",
                  "The configuration has not been created");
    }
    return *configuration_;
}

void ProductionSteps::createConfiguration() {
    configuration_ = std::make_unique<InstallConfigData>(module_, isEnterpriseBuild(module_));
}

int ProductionSteps::loadConfigSettings(const std::wstring& commandLine) {
    return configuration().LoadConfigSettings(commandLine);
}

bool ProductionSteps::isConfigErrorTestRequested() {
    return configuration().IsKeySet("TEST_CONFIG_FILE_ERRORS");
}

int ProductionSteps::configErrorTestCode() { return configuration().GetInt(IntKey::TEST_CONFIG_FILE_ERRORS); }

void ProductionSteps::showConfigError(int code) {
    // Silent like every other message of a silent run: nobody may be there to close it.
    InstallConfigData& config = configuration();
    configerror::ShowConfigError(module_, config.workingSet(), code, "<path_to_config_file>",
                                 config.IsSilent());
}

int ProductionSteps::exportConfigChanges() { return configuration().ExportConfigChanges(); }

void ProductionSteps::selectCurrentProduct() {
    installed_ = VeskEnvironment::detect();
    current_ = VeskEnvironment::selectByProductCode(installed_, configuration().GetString(StringKey::ProductCode));
}

bool ProductionSteps::isRepairMode() { return configuration().IsKeyOn(BoolKey::REPAIRMODE); }

bool ProductionSteps::uninstallCurrentProduct() {
    stepUnavailable("ProductionSteps::uninstallCurrentProduct", "UninstallVRE");
}

int ProductionSteps::installCurrentProduct() {
    stepUnavailable("ProductionSteps::installCurrentProduct", "InstallVRE");
}

void ProductionSteps::restoreConfigSettings() { configuration().RestoreConfigSettings(); }

#include "app/ProductionSteps.h"

#include "app/InstallerRun.h"

#include "config/ConfigError.h"
#include "config/InstallConfigData.h"
#include "diag/CatchAndLog.h"
#include "diag/Logger.h"
#include "diag/VdsError.h"
#include "install/InstallResult.h"
#include "install/InstallVRE.h"
#include "install/OrphanWorkFolders.h"
#include "install/UninstallVRE.h"
#include "integrate/ProductView.h"

#include <stdexcept>
#include <string>

namespace {

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

int ProductionSteps::lockInstall() {
    bool cacheHeld = false;
    try {
        lock_ = InstallLock::take(CacheChain::processBits());
        cacheHeld = true;
    }
    VDS_CATCH_AND_LOG("ProductionSteps::lockInstall")
    // The same code as when the install sequence cannot make the cache: the cache is what
    // the deployment tool has to look at.
    if (!cacheHeld) {
        LOG_ERROR("ProductionSteps::lockInstall",
                  "The patch cache cannot be made or held for the install lock");
        return InstallResult::extractionFailed;
    }
    if (!lock_) {
        return installer::kGenericFailure;
    }
    settingsCopy_.emplace(lock_->cacheDir(), configuration().workingSet().filePath());
    return 0;
}

void ProductionSteps::recoverEndedRuns() {
    settingsCopy_->recover();
    OrphanWorkFolders::remove(lock_->cacheDir());
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
    current_ =
        VeskEnvironment::selectByProductCode(installed_, configuration().GetString(StringKey::ProductCode));
}

bool ProductionSteps::isRepairMode() { return configuration().IsKeyOn(BoolKey::REPAIRMODE); }

InstalledVesk& ProductionSteps::currentProduct() {
    if (!current_) {
        VDS_THROW(std::logic_error, "ProductionSteps::currentProduct", "No product has been selected");
    }
    return *current_;
}

bool ProductionSteps::uninstallCurrentProduct() {
    const InstalledVesk& product = currentProduct();
    // Without a home there is nothing to uninstall from, and every path built on it would
    // name a file below the current directory: the install that follows ends with its
    // code for a missing home.
    if (!VeskSetupManager::ProductView::hasUsableHome(product)) {
        LOG_ERROR(
            "ProductionSteps::uninstallCurrentProduct",
            "-- Not uninstalling: the product has no absolute home directory [" << product.homeDir << "]");
        return true;
    }
    repairRecord_.emplace(product);
    settingsCopy_->keep();
    return UninstallVRE(installed_, product, configuration());
}

int ProductionSteps::installCurrentProduct() {
    if (repairRecord_) {
        repairRecord_->restore();
    }
    const int result = InstallVRE(module_, installed_, currentProduct(), configuration());
    if (result != 0) {
        return result;
    }
    if (configuration().RewriteConfigChanges() != 0) {
        LOG_ERROR("ProductionSteps::installCurrentProduct",
                  "The product is installed, but the runtime config file could not be written again");
    } else {
        settingsCopy_->discard();
    }
    return result;
}

void ProductionSteps::restoreConfigSettings() {
    if (configuration().RestoreConfigSettings() == 0) {
        settingsCopy_->discard();
    }
}

#pragma once

#include "app/InstallerSteps.h"

#include <windows.h>

#include <memory>
#include <optional>

#include "detect/VeskEnvironment.h"
#include "install/InstallLock.h"
#include "install/RepairRecord.h"
#include "install/RepairSettingsCopy.h"

class InstallConfigData;

// The entry's steps bound to the installer's subsystems.
class ProductionSteps final : public InstallerSteps {
public:
    explicit ProductionSteps(HMODULE module);
    ~ProductionSteps() override;

    void createConfiguration() override;
    int lockInstall() override;
    void recoverEndedRuns() override;
    int loadConfigSettings(const std::wstring& commandLine) override;
    bool isConfigErrorTestRequested() override;
    int configErrorTestCode() override;
    void showConfigError(int code) override;
    int exportConfigChanges() override;
    void selectCurrentProduct() override;
    bool isRepairMode() override;
    bool uninstallCurrentProduct() override;
    int installCurrentProduct() override;
    void restoreConfigSettings() override;

private:
    // The one configuration object of the process, made by createConfiguration.
    InstallConfigData& configuration();
    // The product of this run, picked by selectCurrentProduct.
    InstalledVesk& currentProduct();

    HMODULE module_;
    // Held from lockInstall until the run ends; the repair's settings copy lives beside it.
    std::unique_ptr<InstallLock> lock_;
    std::optional<RepairSettingsCopy> settingsCopy_;
    std::unique_ptr<InstallConfigData> configuration_;
    // What detection found, and the product of this run among them.
    VeskEnvironment::InstalledVesks installed_;
    std::optional<InstalledVesk> current_;
    // In repair mode, the product's registry record as it was before the uninstall pass.
    std::optional<RepairRecord> repairRecord_;
};

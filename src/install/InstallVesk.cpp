#include "install/InstallVesk.h"

#include <optional>

#include "diag/CatchAndLog.h"
#include "diag/Logger.h"
#include "install/PostInstallFiles.h"
#include "integrate/VeskSetupManager.h"
#include "progress/ClientOperation.h"

bool InstallVesk(const std::vector<InstalledVesk>& installed, const InstalledVesk& product,
                 const InstallConfigData& config) {
    constexpr const char* function = "InstallVesk";
    bool traced = false;
    try {
        LOG_TRACE(function, "InstallVesk(" << product.bundle.version.text() << ")");
        traced = true;
    }
    VDS_CATCH_AND_LOG(function)
    if (!traced) {
        return true;
    }

    std::optional<progress::ClientOperation> operation;
    try {
        operation.emplace(7);
        VeskSetupManager manager;
        manager.product = product;
        manager.operation = VeskSetupManager::Install;
        manager.update(config, installed);
        InstallVUTConfigFile(product, config);
        InstallDRSFile(config);
        CleanupTempFiles(product.homeDir);
    }
    VDS_CATCH_AND_LOG(function)
    return true;
}

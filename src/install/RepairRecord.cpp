#include "install/RepairRecord.h"

#include "diag/CatchAndLog.h"
#include "diag/Logger.h"
#include "platform/Registry.h"

namespace {

constexpr const char* function = "RepairRecord";

}  // namespace

RepairRecord::RepairRecord(const InstalledVesk& product) : bundle_(product.bundle) {
    try {
        copy_ = RegistrySnapshot::take(bundle_.getRootKey(), bundle_.versionKeyPath());
        if (copy_) {
            LOG_INFO(function, "Kept a copy of [" << copy_->path() << "] (" << copy_->valueCount()
                                                  << " values) to write back after the uninstall pass");
        } else {
            LOG_INFO(function, "The product has no registry key [" << bundle_.versionKeyPath() << "] to keep");
        }
    }
    VDS_CATCH_AND_LOG(function)
}

void RepairRecord::restore() const {
    if (copy_) {
        copy_->restore(bundle_.getRootKey());
        LOG_INFO(function, "Wrote back [" << copy_->path() << "] (" << copy_->valueCount() << " values)");
    }
}

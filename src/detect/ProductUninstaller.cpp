#include "detect/ProductUninstaller.h"

Uninstaller& Uninstaller::shared() {
    static Uninstaller instance;
    return instance;
}

std::unique_ptr<msi::ActionData::State> Uninstaller::uninstall(const msi::ActionData& action) {
    return msi::apply(action);
}

#pragma once

#include <memory>

#include "detect/MsiAction.h"

// Removes an installed product. Each detected product refers to one; the shared
// Uninstaller unless someone sets another.
class ProductUninstaller {
public:
    virtual ~ProductUninstaller() = default;

    // Removes the product of `action`; the returned state keeps the installer settings of
    // the removal in force while it lives. Throws when the removal fails.
    virtual std::unique_ptr<msi::ActionData::State> uninstall(const msi::ActionData& action) = 0;
};

// Removes products through Windows Installer (msi::apply).
class Uninstaller : public ProductUninstaller {
public:
    // The one instance every product shares by default.
    static Uninstaller& shared();

    std::unique_ptr<msi::ActionData::State> uninstall(const msi::ActionData& action) override;
};

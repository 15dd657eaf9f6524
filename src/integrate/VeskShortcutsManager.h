#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "integrate/Callback.h"
#include "integrate/Shortcut.h"

// Keeps the two Start-menu folders for all users, "Vesk" for the current VRE and "Vesk
// Development Kit" for the current VDK: each run rebuilds the folder of the current
// product of each type from scratch, or removes it when there is none or the product must
// not have shortcuts.
class VeskShortcutsManager : public VeskSetupManager::Callback {
public:
    using ProductView = VeskSetupManager::ProductView;

    // A product type and its current product (or none).
    class ProductShortcuts {
    public:
        // A product of another type throws VdsError<std::invalid_argument> "inconsistent
        // arguments".
        ProductShortcuts(std::int32_t type, const std::optional<InstalledVesk>& current);

        const std::optional<InstalledVesk>& current() const { return current_; }
        // Whether the current product gets shortcuts: new enough, and neither the install
        // configuration (for a VRE) nor its own registry (for a VDK) says NOSTARTMENU.
        // Each refusal is logged as a WARNING.
        bool isSupported(const InstallConfigData& config) const;

    private:
        std::int32_t type_;
        std::optional<InstalledVesk> current_;
    };

    void onNoVre(const InstallConfigData& config) override;
    void onNoVdk(const InstallConfigData& config) override;
    void onProducts(const ProductView& view, const InstallConfigData& config,
                    const InstalledVesk* changed) override;

    // The folder of the product's type made anew with the product's shortcuts. True when
    // every shortcut was created; each failure is logged and the next one still made.
    static bool updateShortcuts(const InstalledVesk& product);
    // The folder of `type` removed with everything in it (links in it as links).
    static void removeShortcuts(std::int32_t type);
    // The shortcuts of a VDK: its documentation and, when it has one, its profiling
    // console.
    static std::vector<Shortcut> copyVdkShortcuts(const InstalledVesk& product);
    // The Start-menu folder for all users of a VRE or VDK.
    static std::string folderOf(std::int32_t type);

    // Where the shortcuts lead on the web.
    static const char* const webSite;
    static const char* const documentationSite;
};

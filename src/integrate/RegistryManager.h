#pragma once

#include <optional>
#include <span>
#include <string>

#include "integrate/Callback.h"

class Registry;
struct Bundle;

// Brings the machine-wide registry in line with the products that remain: the version
// and family keys of each product family with "CurrentVersion", the host-application
// marks of the launchers, the ".vpk" association, the per-user keys, and the removal of
// Software\VeskSoft when no product of an architecture is left. Every step logs its own
// failure and the next one runs.
class RegistryManager : public VeskSetupManager::Callback {
public:
    using ProductView = VeskSetupManager::ProductView;

    void onNoProducts(const InstallConfigData& config) override;
    void onProducts(const ProductView& view, const InstallConfigData& config,
                    const InstalledVesk* changed) override;

    // "VeskHome" below the product's version key without trailing separators.
    static void removeTrailingSlashFromVeskHomeKey(const InstalledVesk& product);

    // The product root that `templateBundle` selects (type, arch and scheme) in step with
    // `products`, all of that type, arch and scheme; `current`, one of them or null, is
    // the one "CurrentVersion" names. Arguments that do not fit throw
    // VdsError<std::invalid_argument>; registry failures are logged.
    static void synchRegistry(std::span<const InstalledVesk> products, const Bundle& templateBundle,
                              const InstalledVesk* current);

    // The family key of a legacy product gets its "RuntimeLib", "VeskHome" and
    // "MicroVersion".
    static void updateCurrentFamilyVersion(const InstalledVesk& product);

    // Below each immediate sub-key of `root` (the current user's hive in one view): the
    // per-version keys of products no longer installed, and the keys of a product type
    // or of all products when none is left.
    static void cleanUpForAllUsers(const Registry& root, const ProductView& view);

    static void registerHostProcess(const std::string& executable);

    // The ".vpk" association opens with the current VRE's veskw.exe; none removes it.
    static void updateVpkFileAssociation(const std::optional<InstalledVesk>& currentVre);

    // Software\VeskSoft of the view of `arch` removed, or emptied down to its "Prefs"
    // sub-key when it has one.
    static void cleanArchKeys(int arch);

private:
    static void synchSlot(const ProductView& view, std::int32_t type, std::int32_t arch);
};

#pragma once

#include <string>

#include "integrate/Callback.h"

// Makes the launchers of the current VRE reachable from every command prompt without
// putting a runtime's own folder on the machine "Path": one fixed folder, veskpath, is a
// junction to a private target folder beside it that holds copies of the launchers, and
// veskpath is an entry of "Path". Whenever the current VRE changes, junction, target and
// entry are torn down and, for a VRE new enough, built again.
class VeskPathManager : public VeskSetupManager::Callback {
public:
    using ProductView = VeskSetupManager::ProductView;

    // A folder given as a base folder and the part below it.
    struct Location {
        std::string base;
        std::string relative;

        std::string full() const;
    };

    void onProducts(const ProductView& view, const InstallConfigData& config,
                    const InstalledVesk* changed) override;

    // Veyra\Vesk\veskpath below the common program files folder (of 32-bit programs on
    // 64-bit Windows), which is created when missing.
    static Location veskpath();
    // Veyra\Vesk\veskpath below the common program files folder of 64-bit programs;
    // the base is empty on 32-bit Windows.
    static Location veskpath64();

    // veskpath torn down and built again for `currentVre`, then put on "Path".
    static void rebuildVeskpath(const InstalledVesk& currentVre);
    // A new target folder with copies of the launchers of `currentVre`, and veskpath made
    // a junction to it. When a copy or the junction fails, the target folder is removed
    // again and the failure thrown.
    static void CreateVeskpathJunction(const InstalledVesk& currentVre);
    // veskpath at the front of "Path" (on 64-bit Windows right after the 64-bit veskpath
    // when that is there), unless it is there already in any letter case.
    static void addToPath();
    // "Path" without veskpath entries (and without empty entries at its start).
    static void removeFromPath();
    // Tells the top-level windows that the environment changed; a failure is logged.
    static void NotifySytemChanges();
    // veskpath removed: as a junction, with the launchers in its target folder and that
    // folder when it is one of ours; as the folder of links of older versions, with its
    // links. Then veskpath and its parents below the base go when they are empty.
    static void DeleteSymlinksJunctionsAndveskpathDir();
};

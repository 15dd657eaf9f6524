#pragma once

#include <optional>
#include <string>

#include "detect/InstalledVeskTable.h"
#include "integrate/Callback.h"

// Keeps the accessibility bridge that assistive technologies find machine-wide: a copy of
// the bridge's Windows-side library in the system folders (one per architecture) and its
// registration as an assistive technology. Every run removes both and installs them again
// from the product that provides the bridge.
class AccessBridgeManager : public VeskSetupManager::Callback {
public:
    using ProductView = VeskSetupManager::ProductView;

    // HKLM64 key of the registration.
    static const char* const registrationKey;

    void onProducts(const ProductView& view, const InstallConfigData& config,
                    const InstalledVesk* changed) override;

    // Among the current VRE and VDK of `latest` (slot winners): a VDK of 11 or newer of a
    // higher version than the VRE (or without a VRE), else the VRE; possibly none.
    static std::optional<InstalledVesk> bridgeProvider(const InstalledVeskTable& latest);
    // Whether the product is new enough to have the bridge; a WARNING says when not.
    static bool isSupported(const InstalledVesk& product);
    // The product's bridge library copied to the system folder of its architecture, when
    // its switch program exists (else a WARNING).
    static void copyVabDllToSystem(const InstalledVesk& product);
    // Every system copy of the bridge library deleted, now or at the next restart.
    static void deleteVABFilesFromSystem();
    // The registration written for `provider`.
    static void setAccessBridgeRegistry(const InstalledVesk& provider);
    static void cleanAccessBridgeRegistry();

    // Where the library of the `sourceArch` bridge lies for programs of `destinationArch`.
    static std::string systemCopyPath(int destinationArch, int sourceArch);
    // The product's bin\vabswitch.exe below its runtime folder.
    static std::string switchProgram(const InstalledVesk& product);
};

#pragma once

#include <optional>

#include "detect/InstalledVesk.h"
#include "platform/RegistrySnapshot.h"

// The registry record that a product's own package wrote below its version key
// ("VeskHome", "RuntimeLib", "MicroVersion", "MSI\MODE", ...). Repair takes the product
// out of the installed set first, and that pass deletes the key; the reinstall does not
// write those values, so repair keeps a copy and puts it back before reinstalling.
class RepairRecord {
public:
    // Copies the key of `product` as it is now (values and sub-keys, in the product's
    // registry view) and logs it. Failures are logged: repair then goes on without it.
    explicit RepairRecord(const InstalledVesk& product);

    // Writes the copy back and logs it; nothing when there was no key. Throws what the
    // registry layer throws.
    void restore() const;

private:
    const Bundle bundle_;
    std::optional<RegistrySnapshot> copy_;
};

#pragma once

#include <string>
#include <vector>

#include "detect/InstalledVesk.h"
#include "win/Guid.h"

struct TrackedProduct;

// The runtimes and development kits installed on this machine, as complete records.
class VeskEnvironment {
public:
    using InstalledVesks = std::vector<InstalledVesk>;

    class InstalledVesksVerifier;

    // Every installed VRE and VDK that the trackers find, in the order they report them.
    // A product whose record cannot be completed is logged and left out.
    static InstalledVesks detect();

    // The record of `productCode`; throws VdsError<std::runtime_error> "No matching Vesk
    // found for <code> Product Code in the given products range" when there is none.
    static const InstalledVesk& getByProductCode(const InstalledVesks& products, const Guid& productCode);

    // The record whose product code is the text `productCode` (widened byte by byte and
    // read as a GUID, which throws for a text that is none); throws as getByProductCode.
    static InstalledVesk selectByProductCode(const InstalledVesks& products, const std::string& productCode);

    // The complete record of one tracked product, which must know its type and bits.
    // Throws when the record cannot be completed.
    static InstalledVesk getInstalledVesk(const TrackedProduct& product);

    // The type from the product name: VDK when it names the development kit.
    static std::int32_t detectType(const std::string& productCode);
    // The bits from the registry view of the uninstall key.
    static std::int32_t detectBits(const std::string& productCode);
    // 20 when the version key's "MSI\MODE" is "S" (any case), else 10.
    static std::int32_t detectVreMode(const std::string& productCode, const Bundle& bundle);
};

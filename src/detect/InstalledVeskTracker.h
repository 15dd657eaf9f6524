#pragma once

#include "detect/TrackedProduct.h"

// A source of installed products of our line, read once from the first product to the
// last.
class InstalledVeskTracker {
public:
    virtual ~InstalledVeskTracker() = default;

    // The next product, owned by the tracker and valid until the following call; null
    // when the tracker has no more.
    virtual const TrackedProduct* next() = 0;
};

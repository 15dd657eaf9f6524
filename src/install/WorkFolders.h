#pragma once

#include <string>

#include "platform/CleanupList.h"
#include "platform/SecurityDescriptor.h"

// The machine's patch cache and the working folder of one install inside it.
struct WorkFolders {
    std::string cacheBase;      // the common application-data folder
    std::string cacheRelative;  // "Veyra\Vesk\installcache" or "...\installcache_x64"
    std::string cacheDir;       // their join
    std::string workDir;        // "<number>.tmp" inside cacheDir, made by this run

    // Prepares the patch cache for a `bits` process and makes a new working folder in it.
    // Each missing level of the chain below the base ("Veyra", "Vesk", the cache folder)
    // is created with `descriptor`, so that no other user can make or own one first; an
    // existing cache folder gets `descriptor` applied. A level that is a link is refused.
    // Throws on any failure.
    static WorkFolders make(int bits, const security::SecurityDescriptor& descriptor);

    // Leaves to `cleanup` the working folder with all it holds, and each level of the
    // chain for removal when it is empty (the cached base image keeps the cache).
    void addTo(CleanupList& cleanup) const;
};

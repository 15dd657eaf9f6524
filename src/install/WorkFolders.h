#pragma once

#include <string>
#include <vector>

#include "platform/CleanupList.h"
#include "platform/HeldFolder.h"
#include "platform/SecurityDescriptor.h"

// The machine's patch cache and the working folder of one install inside it. While the
// object lives, every level of the cache chain and the working folder are held open (see
// HeldFolder), so nobody can rename or delete one and slide in a tree of their own; it
// must be gone before the cleanup list removes them.
class WorkFolders {
public:
    // Prepares the patch cache for a `bits` process and makes a new working folder in it.
    // Each level of the chain below the base ("Veyra", "Vesk", the cache folder) that is
    // missing is created with `descriptor`; every level is then held and secured with
    // `descriptor`, whoever made it. A level that is a link or no folder, that someone
    // else holds open for deletion, or that cannot be secured throws, naming the level.
    static WorkFolders make(int bits, const security::SecurityDescriptor& descriptor);

    // Leaves to `cleanup` the working folder with all it holds, and each level of the
    // chain for removal when it is empty (the cached base image keeps the cache).
    void addTo(CleanupList& cleanup) const;

    const std::string& cacheDir() const { return cacheDir_; }
    const std::string& workDir() const { return workDir_; }

private:
    void hold(const std::string& level, const security::SecurityDescriptor& descriptor);

    std::string cacheBase_;      // the common application-data folder
    std::string cacheRelative_;  // "Veyra\Vesk\installcache" or "...\installcache_x64"
    std::string cacheDir_;       // their join
    std::string workDir_;        // "<number>.tmp" inside cacheDir, made by this run
    std::vector<HeldFolder> held_;
};

#pragma once

#include <string>
#include <vector>

#include "platform/CleanupList.h"
#include "platform/HeldFolder.h"
#include "platform/SecurityDescriptor.h"

// The machine's patch cache ("Veyra\Vesk\installcache" or "...\installcache_x64" below the
// common application-data folder), each level of it secured and held open (see
// HeldFolder) for as long as the object lives, so that nobody can rename or delete a level
// and slide in a tree of their own while the installer works in it.
class CacheChain {
public:
    // The cache of the runtime that this process installs: it follows the bitness of this
    // process on this Windows.
    static int processBits();

    // Each level below the base that is missing is created with `descriptor`; every level
    // is then held and secured with `descriptor`, whoever made it. Another installer may
    // make or remove a level at the same moment: a level made meanwhile is taken like one
    // found, one removed meanwhile is made again. A level that is a link or no folder,
    // that someone else holds open for deletion, or that cannot be secured throws, naming
    // the level.
    static CacheChain make(int bits, const security::SecurityDescriptor& descriptor);

    // Leaves to `cleanup` each level for removal when it is empty (a cached base image
    // keeps the cache). The object must be gone before the list runs.
    void addTo(CleanupList& cleanup) const;

    const std::string& dir() const { return dir_; }
    // The levels below the base, outermost first.
    std::vector<std::string> levels() const;

private:
    std::string base_;      // the common application-data folder
    std::string relative_;  // "Veyra\Vesk\installcache" or "...\installcache_x64"
    std::string dir_;       // their join
    std::vector<HeldFolder> held_;
};

#pragma once

#include <optional>
#include <string>

#include "install/CacheChain.h"
#include "platform/CleanupList.h"
#include "platform/HeldFolder.h"
#include "platform/SecurityDescriptor.h"

// The machine's patch cache and the working folder of one install inside it. While the
// object lives, every level of the cache chain and the working folder are held open (see
// HeldFolder), so nobody can rename or delete one and slide in a tree of their own; it
// must be gone before the cleanup list removes them.
class WorkFolders {
public:
    // Prepares the patch cache for a `bits` process (see CacheChain::make, which says what
    // throws) and makes a new working folder "<number>.tmp" in it, held and secured with
    // `descriptor`.
    static WorkFolders make(int bits, const security::SecurityDescriptor& descriptor);

    // Leaves to `cleanup` the working folder with all it holds, and each level of the
    // chain for removal when it is empty (the cached base image keeps the cache).
    void addTo(CleanupList& cleanup) const;

    const std::string& cacheDir() const { return chain_.dir(); }
    const std::string& workDir() const { return workDir_; }

private:
    explicit WorkFolders(CacheChain chain) : chain_(std::move(chain)) {}

    CacheChain chain_;
    std::string workDir_;  // "<number>.tmp" inside the cache folder, made by this run
    std::optional<HeldFolder> work_;
};

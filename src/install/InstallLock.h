#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "install/CacheChain.h"
#include "win/AutoHandle.h"

// The lock that lets one installer at a time run on this machine's patch cache: the file
// "installer.lock" in the secured and held cache folder, open without sharing while the
// run lasts. Only administrators can write in that folder, so a standard user can neither
// take the lock first nor plant a link in its place. (A mutex in a private namespace bound
// to the Administrators group would do the same; Wine lacks the boundary-descriptor
// calls, so the installer would not start there.)
class InstallLock {
public:
    // How long a run waits for another installer before it gives up.
    static constexpr DWORD maxWaitSeconds = 10 * 60;
    // Environment variable that can only shorten that wait (whole seconds); lets tests see
    // a run give up without waiting ten minutes.
    static constexpr const char* waitVariable = "INSTALLER_EXE_LOCK_WAIT_SECONDS";

    // Takes the lock of the cache for `bits` (see CacheChain). While another installer
    // holds it, waits and logs that it waits and, once taken, how long it waited; a lock
    // file that an installer which ended without releasing it (killed) left is taken
    // over, with a warning. Returns null after logging at ERROR when the wait ran out.
    // Throws when the cache chain cannot be made and held or the lock file cannot be
    // opened for another reason than its being held, or is no plain file of one name.
    static std::unique_ptr<InstallLock> take(int bits);

    // Releases the lock: deletes the lock file, lets go of the cache levels and removes
    // those that are empty. A lock file that cannot be deleted is logged.
    ~InstallLock();
    InstallLock(const InstallLock&) = delete;
    InstallLock& operator=(const InstallLock&) = delete;

    // The secured cache folder, held while the lock lives.
    const std::string& cacheDir() const { return chain_->dir(); }

private:
    InstallLock(CacheChain chain, AutoHandle file, std::string path);

    std::optional<CacheChain> chain_;
    AutoHandle file_;
    std::string path_;
};

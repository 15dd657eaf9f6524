#include "install/BaseImage.h"

#include <windows.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "diag/Logger.h"
#include "diag/VdsError.h"
#include "install/BaseImageDigests.h"
#include "install/LinkGuard.h"
#include "platform/ChecksumString.h"
#include "platform/Crypto.h"
#include "platform/FileUtils.h"

namespace {

std::string sha256Of(const std::string& path) {
    HashBase hash = createHash();
    hash.appendFile(path);
    return hash.getSha256StringValue();
}

}  // namespace

const char* const BaseImage::fileName =
    "baseimagefam"
    "8";

void BaseImage::stage(const std::string& cacheDir, const std::string& workDir,
                      const security::SecurityDescriptor& descriptor) {
    const std::string workImage = FileUtils::join(workDir, fileName);
    const std::string cachedImage = FileUtils::join(cacheDir, fileName);
    LinkGuard::refuseLinkedFile(cachedImage);

    if (GetFileAttributesA(workImage.c_str()) != INVALID_FILE_ATTRIBUTES) {
        FileUtils::copyFile(workImage, cachedImage, false);
        return;
    }

    FileUtils::setSecurity(cachedImage, descriptor);
    std::vector<std::string> accepted;
    for (const std::string& digest : BaseImageDigests::accepted()) {
        accepted.push_back(checkSha256String(digest));
    }
    // The copy is what the patch tool reads, so the copy is what gets checked: the cached
    // file could change between a check of it and the copy.
    FileUtils::copyFile(cachedImage, workImage, false);
    const std::string actual = sha256Of(workImage);
    if (std::find(accepted.begin(), accepted.end(), actual) == accepted.end()) {
        LOG_ERROR("InstallVRE", "-- Error: Cached baseimage present, but wrong checksum.");
        VDS_THROW(std::runtime_error, "InstallVRE", "cached checksum does NOT match");
    }
    LOG_TRACE("InstallVRE", "-- Cached baseimage present and checksum correct.  Proceed.");
}

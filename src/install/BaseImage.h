#pragma once

#include <string>

#include "platform/SecurityDescriptor.h"

// The base runtime image that the embedded patch applies to, kept in the patch cache.
namespace BaseImage {

// "baseimagefam8", its file name in the cache and in the working folder.
extern const char* const fileName;

// Brings the base image into `workDir`. When the payload carried it (it is in `workDir`
// already), the cache receives a copy. Otherwise the cached image is secured with
// `descriptor`, copied into `workDir`, and that copy, the file the patch tool will read,
// must have one of the accepted SHA-256 digests. Throws when the cached image is a link,
// missing or unreadable, or when the digest matches none ("cached checksum does NOT
// match"); the cached file itself is never changed then.
void stage(const std::string& cacheDir, const std::string& workDir,
           const security::SecurityDescriptor& descriptor);

}  // namespace BaseImage

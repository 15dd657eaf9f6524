#pragma once

#include <string>

namespace bspatch {

// Applies the BSDIFF40 patch `patchPath` to `oldPath` and writes the result to `newPath`.
// Throws CorruptPatch when the patch is invalid and SystemError or std::runtime_error
// when a file or memory fails; `newPath` is then left as it was.
void applyPatchFile(const std::string& oldPath, const std::string& newPath, const std::string& patchPath);

}  // namespace bspatch

#pragma once

#include <string>

#include "detect/VeskVersion.h"

// The version that an installed runtime's own archive states: the value
// "Implementation-Version" of the main section of the manifest in lib\rt.vpk.
namespace ManifestVersion {

// The main section of a manifest: its lines up to the first empty one.
std::string mainSection(const std::string& manifest);

// The version of "Implementation-Version" in the main section of `manifest`, read with
// the settings library's parser (no validator, no key mapper, stop at the first error,
// no key without value). Parse errors and a missing key throw settings::Exception with
// the library's result code; a value that is no version throws what VeskVersion throws.
VeskVersion versionFromManifest(const std::string& manifest);

// The manifest "META-INF/MANIFEST.MF" of home\lib\rt.vpk (`home` in the ANSI code page).
// Throws VdsError<std::runtime_error> when the archive or the entry cannot be read.
std::string readRuntimeManifest(const std::string& home);

// The path of home\lib\rt.vpk.
std::string runtimeArchivePath(const std::string& home);

}  // namespace ManifestVersion

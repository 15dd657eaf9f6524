#pragma once

#include <string>
#include <vector>

#include "detect/InstalledVesk.h"

// The files of the accessibility bridge. A runtime image carries them for every
// architecture; each installed product uses those of its own.
namespace VabFiles {

// The bridge files of the product's architecture (and the machine's, for a 32-bit
// product), relative to its runtime folder; the first is the library that goes to the
// system directory. An architecture other than 32 and 64 throws
// VdsError<std::invalid_argument> "Unexpected VeskArch value".
std::vector<std::string> getVabFiles(const InstalledVesk& product);

// Where the product's runtime lies: its home directory, or home\vre for a development
// kit of family 1.8 or older.
std::string runtimeFolder(const InstalledVesk& product);

// The bridge files of the other architectures, relative to the product's home directory
// (below its runtime sub-folder), sorted and each once: what an image of this product
// must not bring along.
std::vector<std::string> getOtherArchVabFiles(const InstalledVesk& product);

}  // namespace VabFiles

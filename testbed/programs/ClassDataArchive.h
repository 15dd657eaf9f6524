#pragma once

#include <string>

// The class-data-sharing archive of a runtime home: a text file that names the runtime
// version and lists the entries of the runtime archive, one per line. What matters to
// the installer is only that building it succeeds or fails, and that it lands in the image.
namespace ClassDataArchive {

// Writes the archive of `home` (replacing an old one). Throws std::runtime_error saying
// what failed; a fail marker in the home makes it throw without writing anything.
void dump(const std::string& home);

}  // namespace ClassDataArchive

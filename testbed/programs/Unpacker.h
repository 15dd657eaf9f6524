#pragma once

#include <string>

// Expands a packed archive: the packed form is a gzip stream of the archive's bytes.
namespace Unpacker {

// Streams `source` through the gzip decoder into `target` (replacing it). The bytes go
// to a partial file beside the target that is renamed only when the whole stream,
// including its checksum, was good, so a failure never leaves a partial target behind.
// Throws std::runtime_error saying what failed and where.
void expand(const std::string& source, const std::string& target);

}  // namespace Unpacker

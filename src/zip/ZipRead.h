#pragma once

#include <cstdint>

#include "zip/ZipArchive.h"
#include "zip/vzentry.h"

// Reading an entry's stored (or still compressed) data. The caller holds the archive's
// lock, so that no other read moves the shared file in between. Failures leave their
// reason in the archive's message.

// Reads up to `length` bytes of the entry's data from `offset` on; the read is cut at the
// end of the data. The number of bytes read (0 for a length <= 0), or -1.
std::int64_t ZIP_Read(ZipArchive& archive, vzentry* entry, std::int64_t offset, void* buffer,
                      std::int64_t length);

// The file position of the entry's data, found from its local header on first use.
// -1 when the local header cannot be read or is not one.
std::int64_t entryDataOffset(ZipArchive& archive, vzentry& entry);

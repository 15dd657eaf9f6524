#pragma once

#include <cstdint>

#include "zip/ZipArchive.h"
#include "zip/vzentry.h"

// Inflates the `compressedSize` bytes of the deflated entry's data into `destination`,
// which has room for exactly entry.size bytes. Succeeds (null) only when the deflate
// stream ends exactly with the last compressed byte and has produced exactly entry.size
// bytes; otherwise returns the reason ("" when a read failed: the archive's message
// says why). Takes the archive's lock for each read.
const char* inflateFully(ZipArchive& archive, vzentry& entry, void* destination, std::int64_t compressedSize);

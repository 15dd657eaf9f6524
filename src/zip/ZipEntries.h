#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "zip/ZipArchive.h"
#include "zip/vzentry.h"

// Looking up entries of an open archive. Each function takes the archive's lock itself.

// Builds the entry called `name`. When there is none and `addSlash` is set, looks for
// `name` + "/" too, so that "dir" finds the directory entry "dir/". Null when nothing
// matches or memory runs out.
std::unique_ptr<vzentry> ZIP_FindEntry(ZipArchive& archive, std::string name, bool addSlash);

// Builds the entry of the `index`-th central-directory header, reading the directory
// through the archive's CEN block. Null for an index out of range, a header that cannot
// be read, or no memory.
std::unique_ptr<vzentry> entryAt(ZipArchive& archive, std::int32_t index);

// Gives an entry back: it becomes the archive's cached entry, which frees the one before.
void releaseEntry(ZipArchive& archive, std::unique_ptr<vzentry> entry);

#include "Bspatch.h"

#include "ByteBuffer.h"
#include "CorruptPatch.h"
#include "File.h"
#include "OutputFile.h"
#include "PatchApplier.h"
#include "PatchHeader.h"

#include <cstdint>
#include <limits>

namespace bspatch {
namespace {

PatchHeader readHeader(const std::string& patchPath) {
    File patch = File::openForReading(patchPath);
    const std::int64_t size = patch.size();
    if (size < static_cast<std::int64_t>(PatchHeader::kSize)) {
        throw CorruptPatch("the file is " + std::to_string(size) + " bytes long, shorter than the " +
                           std::to_string(PatchHeader::kSize) + "-byte header");
    }
    std::uint8_t bytes[PatchHeader::kSize];
    patch.readExactly(bytes, sizeof bytes);
    return PatchHeader::parse(bytes, size);
}

ByteBuffer readWholeFile(const std::string& path) {
    File file = File::openForReading(path);
    const std::int64_t size = file.size();
    if (static_cast<std::uint64_t>(size) > std::numeric_limits<std::size_t>::max()) {
        throw std::runtime_error("\"" + path + "\" is too large to load");
    }
    ByteBuffer buffer(static_cast<std::size_t>(size), "the old file");
    file.readExactly(buffer.data(), buffer.size());
    return buffer;
}

}  // namespace

void applyPatchFile(const std::string& oldPath, const std::string& newPath, const std::string& patchPath) {
    const PatchHeader header = readHeader(patchPath);
    const ByteBuffer oldData = readWholeFile(oldPath);
    // The header's size is only a claim until the control block bears it out; the buffer
    // is reserved, not filled, so an absurd claim fails here or costs nothing.
    ByteBuffer newData(static_cast<std::size_t>(header.newSize), "the new file");

    PatchApplier(patchPath, header, oldData.data(), static_cast<std::int64_t>(oldData.size()), newData.data())
        .run();

    OutputFile output(newPath);
    output.write(newData.data(), newData.size());
    output.commit();
}

}  // namespace bspatch

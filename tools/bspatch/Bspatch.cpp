#include "Bspatch.h"

#include "CorruptPatch.h"
#include "File.h"
#include "FileView.h"
#include "OutputFile.h"
#include "PatchApplier.h"
#include "PatchHeader.h"

#include <cstdint>

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

}  // namespace

void applyPatchFile(const std::string& oldPath, const std::string& newPath, const std::string& patchPath) {
    const PatchHeader header = readHeader(patchPath);
    OutputFile output(newPath, header.newSize);
    {
        const File oldFile = File::openForReading(oldPath);
        const FileView oldData = FileView::readOnly(oldFile);
        PatchApplier(patchPath, header, oldData.data(), static_cast<std::int64_t>(oldData.size()),
                     output.data(), [&output](std::int64_t end) { output.writeThrough(end); })
            .run();
    }  // the old file is let go first: it may be the file that the new one replaces
    output.commit();
}

}  // namespace bspatch

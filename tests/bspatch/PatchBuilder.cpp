#include "PatchBuilder.h"

#include <bzlib.h>

#include <stdexcept>

std::string encodeOfftin(std::int64_t value) {
    std::uint64_t bits =
        value < 0 ? static_cast<std::uint64_t>(-(value + 1)) + 1 : static_cast<std::uint64_t>(value);
    if (value < 0) {
        bits |= std::uint64_t{1} << 63;
    }
    std::string bytes(8, '\0');
    for (auto& byte : bytes) {
        byte = static_cast<char>(bits & 0xFF);
        bits >>= 8;
    }
    return bytes;
}

std::string bzip2(const std::string& data, int blockSize100k) {
    std::string compressed(data.size() + data.size() / 100 + 600, '\0');
    auto length = static_cast<unsigned int>(compressed.size());
    std::string input = data;
    if (BZ2_bzBuffToBuffCompress(compressed.data(), &length, input.data(),
                                 static_cast<unsigned int>(input.size()), blockSize100k, 0, 0) != BZ_OK) {
        throw std::runtime_error("bzip2 compression failed");
    }
    compressed.resize(length);
    return compressed;
}

std::string buildPatch(const PatchSpec& spec) {
    std::string control;
    for (const auto& triple : spec.triples) {
        for (std::int64_t value : triple) {
            control += encodeOfftin(value);
        }
    }
    const std::string controlBlock = spec.rawControl.value_or(bzip2(control, spec.blockSize100k));
    const std::string diffBlock = spec.rawDiff.value_or(bzip2(spec.diff, spec.blockSize100k));
    const std::string extraBlock = spec.rawExtra.value_or(bzip2(spec.extra, spec.blockSize100k));
    return spec.magic +
           encodeOfftin(spec.controlLength.value_or(static_cast<std::int64_t>(controlBlock.size()))) +
           encodeOfftin(spec.diffLength.value_or(static_cast<std::int64_t>(diffBlock.size()))) +
           encodeOfftin(spec.newSize) + controlBlock + diffBlock + extraBlock;
}

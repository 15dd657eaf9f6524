#pragma once

#include <stdexcept>
#include <string>

namespace bspatch {

// A patch that cannot be applied because its own content is wrong: bad header, a control
// triple that points outside the new file, a damaged or short bzip2 stream. Every such
// failure reads "Corrupt patch: <what is wrong>".
class CorruptPatch : public std::runtime_error {
public:
    explicit CorruptPatch(const std::string& detail) : std::runtime_error("Corrupt patch: " + detail) {}
};

}  // namespace bspatch

#pragma once

#include <cstddef>
#include <cstdint>

namespace bspatch {

// destination[i] += source[i] (mod 256) for i < size: the difference bytes of a patch
// are added to the old bytes they refer to.
void addInto(std::uint8_t* destination, const std::uint8_t* source, std::size_t size) noexcept;

}  // namespace bspatch

#include "ByteArithmetic.h"

#include <emmintrin.h>

namespace bspatch {

void addInto(std::uint8_t* destination, const std::uint8_t* source, std::size_t size) noexcept {
    // Sixteen bytes per SSE2 add (every x86-64 processor has SSE2); the loop runs over
    // nearly the whole new image, so it is worth not leaving to the vectoriser.
    std::size_t i = 0;
    for (; i + 16 <= size; i += 16) {
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(destination + i));
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + i), _mm_add_epi8(d, s));
    }
    for (; i < size; ++i) {
        destination[i] = static_cast<std::uint8_t>(destination[i] + source[i]);
    }
}

}  // namespace bspatch

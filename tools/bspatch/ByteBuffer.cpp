#include "ByteBuffer.h"

#include <new>
#include <stdexcept>

namespace bspatch {

ByteBuffer::ByteBuffer(std::size_t size, const std::string& what)
    : data_(new (std::nothrow) std::uint8_t[size]), size_(size) {
    if (!data_) {
        throw std::runtime_error("not enough memory for " + what + " (" + std::to_string(size) + " bytes)");
    }
}

}  // namespace bspatch

#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace bspatch {

// A heap block of bytes that is left uninitialised: the old image is read over it and
// every byte of the new image is written by the patch before it is used, so zero-filling
// hundreds of megabytes first would only cost time.
class ByteBuffer {
public:
    ByteBuffer() = default;
    // Throws std::runtime_error naming `what` when the memory cannot be had.
    ByteBuffer(std::size_t size, const std::string& what);

    std::uint8_t* data() noexcept { return data_.get(); }
    const std::uint8_t* data() const noexcept { return data_.get(); }
    std::size_t size() const noexcept { return size_; }

private:
    std::unique_ptr<std::uint8_t[]> data_;
    std::size_t size_ = 0;
};

}  // namespace bspatch

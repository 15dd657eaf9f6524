#pragma once

#include <windows.h>

// Sole owner of memory that a Windows call allocated with LocalAlloc for its caller
// (FormatMessage's buffer, SID and descriptor conversions): LocalFree runs when the owner
// goes, on every path. Not copyable.
template <class T>
class LocalBuffer {
public:
    LocalBuffer() = default;
    ~LocalBuffer() { LocalFree(pointer_); }
    LocalBuffer(const LocalBuffer&) = delete;
    LocalBuffer& operator=(const LocalBuffer&) = delete;

    T* get() const { return pointer_; }
    // Where the allocating call stores its buffer.
    T** receive() { return &pointer_; }

private:
    T* pointer_ = nullptr;
};

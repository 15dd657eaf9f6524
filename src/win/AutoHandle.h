#pragma once

#include <windows.h>

#include <utility>

#include "win/HandleClose.h"

// Sole owner of one Windows handle: closes it when it goes out of scope (a failed close
// is logged, never thrown). Movable, not copyable.
template <class Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    ~UniqueHandle() { Traits::close(handle_); }

    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Handle get() const { return handle_; }
    bool valid() const { return Traits::valid(handle_); }
    explicit operator bool() const { return valid(); }

    // Gives up ownership without closing.
    Handle release() { return std::exchange(handle_, Handle{}); }

    // Closes the current handle and takes `handle`.
    void reset(Handle handle = Handle{}) {
        if (handle != handle_) {
            Traits::close(std::exchange(handle_, handle));
        }
    }

    // Closes the current handle and returns where a Windows call can store a new one,
    // e.g. RegOpenKeyExA(root, name, 0, KEY_READ, key.receive()).
    Handle* receive() {
        reset();
        return &handle_;
    }

private:
    Handle handle_{};
};

struct KernelHandleTraits {
    using Handle = HANDLE;
    static bool valid(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static void close(HANDLE handle) { closeHANDLE(handle); }
};

struct RegKeyTraits {
    using Handle = HKEY;
    static bool valid(HKEY key) { return key != nullptr; }
    static void close(HKEY key) { closeRegHandle(key); }
};

// A kernel object handle (file, process, event, mapping...); null and
// INVALID_HANDLE_VALUE both mean "none".
using AutoHandle = UniqueHandle<KernelHandleTraits>;

// An open registry key.
using AutoRegKey = UniqueHandle<RegKeyTraits>;

#pragma once

#include <windows.h>

#include <oleauto.h>

#include <utility>

// Sole owner of one reference to a COM interface: Release runs when the owner goes.
// Movable, not copyable.
template <class Interface>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            reset();
            pointer_ = std::exchange(other.pointer_, nullptr);
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    Interface* get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

    // Releases the current reference and returns where a call can store a new one.
    Interface** receive() {
        reset();
        return &pointer_;
    }

    void reset() {
        if (pointer_ != nullptr) {
            std::exchange(pointer_, nullptr)->Release();
        }
    }

private:
    Interface* pointer_ = nullptr;
};

// Sole owner of a BSTR that a COM call returned: SysFreeString runs when the owner goes.
class Bstr {
public:
    Bstr() = default;
    ~Bstr() { SysFreeString(text_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;

    BSTR get() const { return text_; }
    UINT length() const { return SysStringLen(text_); }
    // Where the call stores the string.
    BSTR* receive() { return &text_; }

private:
    BSTR text_ = nullptr;
};

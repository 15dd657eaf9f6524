#pragma once

#include <windows.h>

#include <string>

// A product or upgrade code. Its text is the registry form "{8-4-4-4-12}" in upper-case
// hexadecimal.
class Guid {
public:
    Guid() = default;
    explicit Guid(const GUID& value) : value_(value) {}

    // Parses "{8-4-4-4-12}", "8-4-4-4-12" or 32 bare hexadecimal digits; throws
    // VdsError<std::runtime_error> "IIDFromString(<text>) failed" for anything else.
    explicit Guid(const std::wstring& text);

    // A new unique value.
    static Guid generate();

    std::string toString() const;

    const GUID& value() const { return value_; }

    friend bool operator==(const Guid& a, const Guid& b) { return IsEqualGUID(a.value_, b.value_) != 0; }

private:
    GUID value_{};
};

#pragma once

#include <stdexcept>
#include <utility>

#include "diag/SourceLocation.h"

// An exception of type T that also says where it was thrown. what() gives the located
// text "<file>(<line>) at <function>(): <T's text>"; handlers that catch T still see
// T's own fields (the HRESULT of a ComError, the status of an installer error).
template <class T>
class VdsError : public T {
public:
    // Builds the T part from `args` (T's constructor arguments, or a T to copy).
    template <class... Args>
    explicit VdsError(const SourceLocation& location, Args&&... args)
        : T(std::forward<Args>(args)...), located_(locationPrefix(location) + T::what()) {}

    const char* what() const noexcept override { return located_.what(); }

private:
    // A runtime_error holds the text because copying it never throws.
    std::runtime_error located_;
};

// Throws VdsError<Type> built from the remaining arguments at the current line of
// `qualifiedFunction`, for example
// VDS_THROW(std::runtime_error, "Guid::generate", "CoCreateGuid() failed").
#define VDS_THROW(Type, qualifiedFunction, ...) \
    throw VdsError<Type>(VDS_LOCATION(qualifiedFunction), __VA_ARGS__)

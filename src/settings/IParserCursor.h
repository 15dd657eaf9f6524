#pragma once

#include <cstddef>
#include <string>

namespace settings_impl {

// Where an entry or error of settings text stands.
class IParserCursor {
public:
    virtual ~IParserCursor() = default;
    // The line index, from 0.
    virtual std::size_t line() const = 0;
    // The column of the line's first non-blank byte, from 0.
    virtual std::size_t column() const = 0;
    // "line <line + 1>; char <column + 1>".
    virtual std::string description() const = 0;
};

}  // namespace settings_impl

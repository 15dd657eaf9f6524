#pragma once

#include <string>

#include "settings/Value.h"

namespace settings_impl {

// Turns the text of one key into the value to store, or refuses it by throwing.
class IConfigValueValidator {
public:
    virtual ~IConfigValueValidator() = default;
    virtual Value validate(const std::string& text) const = 0;
};

}  // namespace settings_impl

#pragma once

#include "settings/IConfigValueValidator.h"

namespace settings_impl {

// Converts the text to one type (101 string, 102 integer, 103 boolean, 104 double);
// a text that does not convert raises ExceptionCode<302>.
class TypeValidator : public IConfigValueValidator {
public:
    explicit TypeValidator(TypeCode type);
    Value validate(const std::string& text) const override;

private:
    TypeCode type_;
};

}  // namespace settings_impl

#include "settings/TypeValidator.h"

#include <stdexcept>

#include "diag/VdsError.h"
#include "settings/Conversions.h"

namespace settings_impl {

TypeValidator::TypeValidator(TypeCode type) : type_(type) {
    if (type == TypeCode::Untyped) {
        VDS_THROW(std::invalid_argument, "settings_impl::TypeValidator::TypeValidator",
                  "untyped text needs no validator");
    }
}

Value TypeValidator::validate(const std::string& text) const {
    switch (type_) {
        case TypeCode::Integer:
            return Value::integer(conversions::toInt(text), text);
        case TypeCode::Boolean:
            return Value::boolean(conversions::toBool(text), text);
        case TypeCode::Double:
            return Value::real(conversions::toDouble(text), text);
        default:
            return Value::string(conversions::toPlainString(text));
    }
}

}  // namespace settings_impl

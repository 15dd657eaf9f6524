#include "settings/Value.h"

#include <utility>

namespace settings_impl {

Value::Value(TypeCode type, std::variant<std::monostate, int, bool, double> number, std::string text)
    : type_(type), number_(number), text_(std::move(text)) {}

Value Value::untyped(std::string text) { return Value(TypeCode::Untyped, std::monostate{}, std::move(text)); }
Value Value::string(std::string text) { return Value(TypeCode::String, std::monostate{}, std::move(text)); }
Value Value::integer(int number, std::string text) {
    return Value(TypeCode::Integer, number, std::move(text));
}
Value Value::boolean(bool flag, std::string text) { return Value(TypeCode::Boolean, flag, std::move(text)); }
Value Value::real(double number, std::string text) {
    return Value(TypeCode::Double, number, std::move(text));
}

bool Value::operator==(const Value& other) const {
    if (type_ != other.type_) {
        return false;
    }
    switch (type_) {
        case TypeCode::Untyped:
        case TypeCode::String:
            return text_ == other.text_;
        default:
            return number_ == other.number_;
    }
}

}  // namespace settings_impl

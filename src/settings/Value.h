#pragma once

#include <string>
#include <variant>

namespace settings_impl {

// The type codes of stored values.
enum class TypeCode : int { Untyped = 100, String = 101, Integer = 102, Boolean = 103, Double = 104 };

// One stored value: its type, the number it stands for (integer, boolean or double;
// nothing for text) and the text exactly as the source wrote it, also for typed values,
// so that saving gives back what was read ("Enable", not 1).
class Value {
public:
    static Value untyped(std::string text);
    static Value string(std::string text);
    static Value integer(int number, std::string text);
    static Value boolean(bool flag, std::string text);
    static Value real(double number, std::string text);

    TypeCode type() const { return type_; }
    const std::string& text() const { return text_; }
    // The stored number; callers check type() first.
    int integerValue() const { return std::get<int>(number_); }
    bool booleanValue() const { return std::get<bool>(number_); }
    double doubleValue() const { return std::get<double>(number_); }

    // Equal type codes and equal values: texts bytewise for types 100 and 101, the
    // numbers for the others.
    bool operator==(const Value& other) const;

private:
    Value(TypeCode type, std::variant<std::monostate, int, bool, double> number, std::string text);

    TypeCode type_;
    std::variant<std::monostate, int, bool, double> number_;
    std::string text_;
};

}  // namespace settings_impl

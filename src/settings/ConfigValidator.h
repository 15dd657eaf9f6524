#pragma once

#include <map>
#include <memory>
#include <string>

#include "settings/Exception.h"
#include "settings/IConfigValueValidator.h"

namespace settings_impl {

// The validator of a whole configuration: one value validator per known key, and
// whether keys it does not know are accepted as untyped text.
class ConfigValidator {
public:
    class Error : public settings::Exception {
    public:
        using settings::Exception::Exception;
    };
    // The names are spelled as the rest of the product family spells them.
    class InavlidKeyError : public Error {
    public:
        explicit InavlidKeyError(const std::string& detail) : Error(303, detail) {}
    };
    class InavlidValueError : public Error {
    public:
        explicit InavlidValueError(const std::string& detail) : Error(304, detail) {}
    };

    using Validators = std::map<std::string, std::unique_ptr<IConfigValueValidator>>;

    ConfigValidator(Validators validators, bool allowUnknownKeys);

    // The value to store for `key`: its validator's result, untyped text for an unknown
    // key when unknown keys are allowed, otherwise InavlidKeyError.
    Value validate(const std::string& key, const std::string& text) const;

private:
    Validators validators_;
    bool allowUnknownKeys_;
};

}  // namespace settings_impl

#include "settings/ConfigValidator.h"

#include <utility>

namespace settings_impl {

ConfigValidator::ConfigValidator(Validators validators, bool allowUnknownKeys)
    : validators_(std::move(validators)), allowUnknownKeys_(allowUnknownKeys) {}

Value ConfigValidator::validate(const std::string& key, const std::string& text) const {
    const auto found = validators_.find(key);
    if (found != validators_.end()) {
        return found->second->validate(text);
    }
    if (!allowUnknownKeys_) {
        throw InavlidKeyError("unknown key '" + key + "'");
    }
    return Value::untyped(text);
}

}  // namespace settings_impl

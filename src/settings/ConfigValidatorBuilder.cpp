#include "settings/ConfigValidatorBuilder.h"

#include <utility>

#include "settings/DirnameValidator.h"
#include "settings/TypeValidator.h"

namespace settings_impl {

void ConfigValidatorBuilder::addType(const std::string& key, TypeCode type) { keys_[key].type = type; }

void ConfigValidatorBuilder::addFixedValues(const std::string& key,
                                            std::vector<FixedValueValidator::Entry> entries) {
    keys_[key].fixedValues = std::move(entries);
}

void ConfigValidatorBuilder::addPath(const std::string& key, bool skipCheck) {
    keys_[key].pathSkipCheck = skipCheck;
}

std::unique_ptr<ConfigValidator> ConfigValidatorBuilder::build() const {
    ConfigValidator::Validators validators;
    for (const auto& [key, registrations] : keys_) {
        if (registrations.fixedValues) {
            validators.emplace(key, std::make_unique<FixedValueValidator>(*registrations.fixedValues));
        } else if (registrations.pathSkipCheck) {
            validators.emplace(key, std::make_unique<DirnameValidator>(*registrations.pathSkipCheck));
        } else if (registrations.type) {
            validators.emplace(key, std::make_unique<TypeValidator>(*registrations.type));
        }
    }
    return std::make_unique<ConfigValidator>(std::move(validators), allowUnknownKeys_);
}

}  // namespace settings_impl

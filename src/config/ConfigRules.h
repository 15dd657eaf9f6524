#pragma once

#include "settings/settings_api.h"

// The validator and key mapper that every configuration set of the installer loads
// with, built once through settings_api and released with this object. Any failing
// settings_api call raises settings::Exception with its code.
class ConfigRules {
public:
    ConfigRules();
    ~ConfigRules();
    ConfigRules(const ConfigRules&) = delete;
    ConfigRules& operator=(const ConfigRules&) = delete;

    const settings_api::Validator* validator() const { return validator_; }
    const settings_api::KeyMapper* keyMapper() const { return keyMapper_; }

private:
    settings_api::Validator* validator_ = nullptr;
    settings_api::KeyMapper* keyMapper_ = nullptr;
};

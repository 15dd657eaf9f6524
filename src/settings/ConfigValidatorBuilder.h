#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "settings/ConfigValidator.h"
#include "settings/FixedValueValidator.h"

namespace settings_impl {

// Collects per-key registrations and builds a ConfigValidator with one value validator
// per key: fixed values win over a path check, a path check wins over a type.
class ConfigValidatorBuilder {
public:
    void addType(const std::string& key, TypeCode type);
    void addFixedValues(const std::string& key, std::vector<FixedValueValidator::Entry> entries);
    void addPath(const std::string& key, bool skipCheck);
    void setAllowUnknownKeys(bool allow) { allowUnknownKeys_ = allow; }

    std::unique_ptr<ConfigValidator> build() const;

private:
    struct Registrations {
        std::optional<TypeCode> type;
        std::optional<std::vector<FixedValueValidator::Entry>> fixedValues;
        std::optional<bool> pathSkipCheck;
    };

    std::map<std::string, Registrations> keys_;
    bool allowUnknownKeys_ = false;
};

}  // namespace settings_impl

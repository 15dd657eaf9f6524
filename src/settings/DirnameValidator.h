#pragma once

#include "settings/IConfigValueValidator.h"

namespace settings_impl {

// A folder or file name. Unless the check is skipped, the text must pass the path
// rules (PathRules.h) and begin with a drive ("X:"); otherwise it raises
// ConfigValidator::InavlidValueError. ".." is left alone: it is resolved only when a
// path is canonicalised. The value is the text as given.
class DirnameValidator : public IConfigValueValidator {
public:
    explicit DirnameValidator(bool skipCheck) : skipCheck_(skipCheck) {}
    Value validate(const std::string& text) const override;

private:
    bool skipCheck_;
};

}  // namespace settings_impl

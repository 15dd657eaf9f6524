#pragma once

#include <string>
#include <vector>

#include "settings/IConfigValueValidator.h"

namespace settings_impl {

// Accepts only the listed texts and stores the integer that goes with the text.
class FixedValueValidator : public IConfigValueValidator {
public:
    // Flag bit 0: compare exactly (otherwise both sides are lower-cased first).
    // Flag bit 1: store the entry's own text instead of the text given.
    static constexpr int kCaseSensitive = 1;
    static constexpr int kStoreEntryText = 2;

    struct Entry {
        std::string text;
        int value;
        int flags;
    };

    explicit FixedValueValidator(std::vector<Entry> entries);

    // Compares from the last entry to the first, so a later entry wins; no match
    // raises ConfigValidator::InavlidValueError.
    Value validate(const std::string& text) const override;

private:
    std::vector<Entry> entries_;
};

}  // namespace settings_impl

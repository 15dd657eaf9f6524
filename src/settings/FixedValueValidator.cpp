#include "settings/FixedValueValidator.h"

#include <utility>

#include "diag/tstrings.h"
#include "settings/ConfigValidator.h"

namespace settings_impl {

FixedValueValidator::FixedValueValidator(std::vector<Entry> entries) : entries_(std::move(entries)) {}

Value FixedValueValidator::validate(const std::string& text) const {
    for (auto entry = entries_.rbegin(); entry != entries_.rend(); ++entry) {
        const bool matches = (entry->flags & kCaseSensitive) != 0
                                 ? entry->text == text
                                 : tstrings::equalsIgnoreCase(entry->text, text);
        if (matches) {
            return Value::integer(entry->value, (entry->flags & kStoreEntryText) != 0 ? entry->text : text);
        }
    }
    throw ConfigValidator::InavlidValueError("'" + text + "' is not one of the allowed values");
}

}  // namespace settings_impl

#pragma once

#include "settings/Config.h"
#include "settings/ConfigValidator.h"
#include "settings/IConfigParserCallback.h"
#include "settings/IKeyMapper.h"
#include "settings/IParserErrorListener.h"

namespace settings_impl {

// Builds a configuration from parsed entries: maps each key, validates its value and
// stores it, a later entry of a key replacing an earlier one.
class ConfigBuilder : public IConfigParserCallback {
public:
    // The key mapper and validator are optional; `listener` receives formatted errors.
    ConfigBuilder(const IKeyMapper* keyMapper, const ConfigValidator* validator,
                  IParserErrorListener& listener);

    // kAccepted, 303 for an unknown key, 304 for a refused value or a failed conversion.
    // A key without value is stored without validation.
    int onEntry(const IParserCursor& cursor, const std::string& key,
                const std::optional<std::string>& value) override;
    void reportError(const IParserCursor& cursor, int kind) override;

    Config::Entries takeEntries() { return std::move(entries_); }

private:
    const IKeyMapper* keyMapper_;
    const ConfigValidator* validator_;
    IParserErrorListener& listener_;
    Config::Entries entries_;
};

}  // namespace settings_impl

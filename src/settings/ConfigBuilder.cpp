#include "settings/ConfigBuilder.h"

#include "settings/ParseErrors.h"

namespace settings_impl {

ConfigBuilder::ConfigBuilder(const IKeyMapper* keyMapper, const ConfigValidator* validator,
                             IParserErrorListener& listener)
    : keyMapper_(keyMapper), validator_(validator), listener_(listener) {}

int ConfigBuilder::onEntry(const IParserCursor&, const std::string& key,
                           const std::optional<std::string>& value) {
    const std::string mapped = keyMapper_ != nullptr ? keyMapper_->map(key).first : key;
    if (!value) {
        entries_.insert_or_assign(mapped, std::nullopt);
        return kAccepted;
    }
    try {
        entries_.insert_or_assign(
            mapped, validator_ != nullptr ? validator_->validate(mapped, *value) : Value::untyped(*value));
        return kAccepted;
    } catch (const ConfigValidator::InavlidKeyError&) {
        return parse_errors::kInvalidKey;
    } catch (const settings::Exception&) {
        return parse_errors::kInvalidValue;
    }
}

void ConfigBuilder::reportError(const IParserCursor& cursor, int kind) {
    listener_.onError(cursor, parse_errors::message(cursor, kind));
}

}  // namespace settings_impl

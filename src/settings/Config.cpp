#include "settings/Config.h"

#include <utility>

#include "settings/Conversions.h"
#include "settings/ExceptionCode.h"
#include "settings/IConfigEntrySerializer.h"

namespace settings_impl {

Config::Config(Entries entries) : entries_(std::move(entries)) {}

const std::optional<Value>& Config::entry(const std::string& key) const {
    const auto found = entries_.find(key);
    if (found == entries_.end()) {
        throw ExceptionCode<303>("key '" + key + "' not found");
    }
    return found->second;
}

const Value& Config::value(const std::string& key) const {
    const std::optional<Value>& stored = entry(key);
    if (!stored) {
        throw ExceptionCode<301>("key '" + key + "' has no value");
    }
    return *stored;
}

TypeCode Config::type(const std::string& key) const { return value(key).type(); }

bool Config::hasValue(const std::string& key) const { return entry(key).has_value(); }

const std::string& Config::text(const std::string& key) const { return value(key).text(); }

int Config::getInt(const std::string& key) const {
    const Value& stored = value(key);
    switch (stored.type()) {
        case TypeCode::Untyped:
            return conversions::toInt(stored.text());
        case TypeCode::Integer:
            return stored.integerValue();
        default:
            throw ExceptionCode<301>("key '" + key + "' holds no integer");
    }
}

double Config::getDouble(const std::string& key) const {
    const Value& stored = value(key);
    switch (stored.type()) {
        case TypeCode::Untyped:
            return conversions::toDouble(stored.text());
        case TypeCode::Double:
            return stored.doubleValue();
        default:
            throw ExceptionCode<301>("key '" + key + "' holds no double");
    }
}

bool Config::getBool(const std::string& key) const {
    const Value& stored = value(key);
    switch (stored.type()) {
        case TypeCode::Untyped:
            return conversions::toBool(stored.text());
        case TypeCode::Boolean:
            return stored.booleanValue();
        default:
            throw ExceptionCode<301>("key '" + key + "' holds no boolean");
    }
}

std::string Config::copyText(const std::string& key) const { return text(key); }

std::vector<std::string> Config::keys() const {
    std::vector<std::string> names;
    names.reserve(entries_.size());
    for (const auto& [key, stored] : entries_) {
        names.push_back(key);
    }
    return names;
}

void Config::set(const std::string& key, std::optional<Value> value) {
    entries_.insert_or_assign(key, std::move(value));
}

void Config::remove(const std::string& key) {
    if (entries_.erase(key) == 0) {
        throw ExceptionCode<303>("key '" + key + "' not found");
    }
}

void Config::merge(const Config& other) {
    for (const auto& [key, stored] : other.entries_) {
        entries_.insert_or_assign(key, stored);
    }
}

void Config::serialize(IConfigEntrySerializer& serializer) const {
    for (const auto& [key, stored] : entries_) {
        if (stored) {
            serializer.entry(key, stored->text());
        } else {
            serializer.entry(key);
        }
    }
}

bool Config::operator==(const Config& other) const { return entries_ == other.entries_; }

}  // namespace settings_impl

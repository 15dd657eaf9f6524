#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "settings/IConfig.h"

namespace settings_impl {

class IConfigEntrySerializer;

// The one configuration implementation: an ordered map from key to value or none.
class Config : public IConfig {
public:
    using Entries = std::map<std::string, std::optional<Value>>;

    Config() = default;
    explicit Config(Entries entries);

    TypeCode type(const std::string& key) const override;
    bool hasValue(const std::string& key) const override;
    const std::string& text(const std::string& key) const override;
    int getInt(const std::string& key) const override;
    double getDouble(const std::string& key) const override;
    bool getBool(const std::string& key) const override;
    std::string copyText(const std::string& key) const override;
    std::vector<std::string> keys() const override;

    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }

    // Sets `key`, replacing an earlier entry of that key.
    void set(const std::string& key, std::optional<Value> value);
    // Removes `key`; ExceptionCode<303> when it is absent.
    void remove(const std::string& key);
    // Copies every key of `other` over this one; other's values win.
    void merge(const Config& other);

    // Hands every entry, in key order, to `serializer`.
    void serialize(IConfigEntrySerializer& serializer) const;

    // Same key names; a key without value equals only a key without value, values
    // compare by type (Value::operator==).
    bool operator==(const Config& other) const;

private:
    const std::optional<Value>& entry(const std::string& key) const;
    const Value& value(const std::string& key) const;

    Entries entries_;
};

}  // namespace settings_impl

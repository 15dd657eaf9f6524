#pragma once

#include <string>

namespace settings_impl {

// Receives the entries of a configuration in key order.
class IConfigEntrySerializer {
public:
    virtual ~IConfigEntrySerializer() = default;
    // A key without value.
    virtual void entry(const std::string& key) = 0;
    virtual void entry(const std::string& key, const std::string& value) = 0;
};

}  // namespace settings_impl

#pragma once

#include <string>
#include <vector>

#include "settings/Value.h"

namespace settings_impl {

// A configuration: keys (byte strings, compared bytewise) that hold a value or none.
// Every operation on a key that is not present raises ExceptionCode<303>; asking for a
// value that is absent or of another type raises ExceptionCode<301>.
class IConfig {
public:
    virtual ~IConfig() = default;
    virtual TypeCode type(const std::string& key) const = 0;
    virtual bool hasValue(const std::string& key) const = 0;
    // The stored text; the reference stays valid until the key changes.
    virtual const std::string& text(const std::string& key) const = 0;
    // Untyped text is converted; a stored number of the type is returned as it is.
    virtual int getInt(const std::string& key) const = 0;
    virtual double getDouble(const std::string& key) const = 0;
    virtual bool getBool(const std::string& key) const = 0;
    virtual std::string copyText(const std::string& key) const = 0;
    // The key names in ascending byte order.
    virtual std::vector<std::string> keys() const = 0;
};

}  // namespace settings_impl

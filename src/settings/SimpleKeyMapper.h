#pragma once

#include <string>

#include "settings/IKeyMapper.h"

namespace settings_impl {

// Maps the one key `from` (bytewise, or ignoring case with the C library's per-byte
// lower-casing) to `to`.
class SimpleKeyMapper : public IKeyMapper {
public:
    SimpleKeyMapper(std::string from, std::string to, bool caseSensitive);
    std::pair<std::string, bool> map(const std::string& key) const override;

private:
    std::string from_;
    std::string to_;
    bool caseSensitive_;
};

}  // namespace settings_impl

#pragma once

#include <string>
#include <utility>

namespace settings_impl {

// Maps a key as written to the key stored.
class IKeyMapper {
public:
    virtual ~IKeyMapper() = default;
    // The resulting key and whether this mapper matched; an unmatched key comes back
    // unchanged.
    virtual std::pair<std::string, bool> map(const std::string& key) const = 0;
};

}  // namespace settings_impl

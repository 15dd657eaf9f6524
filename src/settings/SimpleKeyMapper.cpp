#include "settings/SimpleKeyMapper.h"

#include <utility>

#include "diag/tstrings.h"

namespace settings_impl {

SimpleKeyMapper::SimpleKeyMapper(std::string from, std::string to, bool caseSensitive)
    : from_(std::move(from)), to_(std::move(to)), caseSensitive_(caseSensitive) {}

std::pair<std::string, bool> SimpleKeyMapper::map(const std::string& key) const {
    const bool matches = caseSensitive_ ? key == from_ : tstrings::equalsIgnoreCase(key, from_);
    return matches ? std::pair{to_, true} : std::pair{key, false};
}

}  // namespace settings_impl

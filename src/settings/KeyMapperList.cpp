#include "settings/KeyMapperList.h"

#include <utility>

namespace settings_impl {

KeyMapperList::KeyMapperList(std::vector<std::unique_ptr<IKeyMapper>> mappers)
    : mappers_(std::move(mappers)) {}

std::pair<std::string, bool> KeyMapperList::map(const std::string& key) const {
    for (auto mapper = mappers_.rbegin(); mapper != mappers_.rend(); ++mapper) {
        auto result = (*mapper)->map(key);
        if (result.second) {
            return result;
        }
    }
    return {key, false};
}

}  // namespace settings_impl

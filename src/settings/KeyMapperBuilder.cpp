#include "settings/KeyMapperBuilder.h"

namespace settings_impl {

std::unique_ptr<KeyMapperList> KeyMapperBuilder::build() const {
    std::vector<std::unique_ptr<IKeyMapper>> mappers;
    mappers.reserve(factories_.size());
    for (const auto& factory : factories_) {
        mappers.push_back(factory->create());
    }
    return std::make_unique<KeyMapperList>(std::move(mappers));
}

}  // namespace settings_impl

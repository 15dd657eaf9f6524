#pragma once

#include <memory>
#include <string>
#include <vector>

#include "settings/IKeyMapper.h"

namespace settings_impl {

// A built key mapper: mappers in registration order, applied from the last to the first
// until one matches, so a later registration overrides an earlier one.
class KeyMapperList : public IKeyMapper {
public:
    explicit KeyMapperList(std::vector<std::unique_ptr<IKeyMapper>> mappers);
    std::pair<std::string, bool> map(const std::string& key) const override;

private:
    std::vector<std::unique_ptr<IKeyMapper>> mappers_;
};

}  // namespace settings_impl

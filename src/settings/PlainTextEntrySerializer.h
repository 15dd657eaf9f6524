#pragma once

#include <ostream>
#include <string>

#include "settings/IConfigEntrySerializer.h"

namespace settings_impl {

// Writes entries as settings text: "key=value" or "key", each ended by a line feed,
// exactly as stored (no blanks, quoting or escaping; NUL bytes included).
class PlainTextEntrySerializer : public IConfigEntrySerializer {
public:
    explicit PlainTextEntrySerializer(std::ostream& out) : out_(out) {}

    void entry(const std::string& key) override;
    void entry(const std::string& key, const std::string& value) override;

private:
    std::ostream& out_;
};

}  // namespace settings_impl

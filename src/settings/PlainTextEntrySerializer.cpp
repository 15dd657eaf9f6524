#include "settings/PlainTextEntrySerializer.h"

namespace settings_impl {

void PlainTextEntrySerializer::entry(const std::string& key) { out_ << key << '\n'; }

void PlainTextEntrySerializer::entry(const std::string& key, const std::string& value) {
    out_ << key << '=' << value << '\n';
}

}  // namespace settings_impl

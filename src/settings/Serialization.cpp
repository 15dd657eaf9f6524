#include "settings/Serialization.h"

#include <sstream>

#include "settings/PlainTextEntrySerializer.h"

namespace settings_impl::serialization {

std::string toText(const Config& config) {
    std::ostringstream out;
    PlainTextEntrySerializer serializer(out);
    config.serialize(serializer);
    std::string text = std::move(out).str();
    return text.empty() ? " " : text;
}

}  // namespace settings_impl::serialization

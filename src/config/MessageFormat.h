#pragma once

#include <cstddef>
#include <string>

// Composes the texts of the installer's messages from their string-table formats.
namespace messageformat {

// `format` with its first "%s" replaced by `first` and its second by `second`, cut to
// `limit` characters. Nothing else in the format has a meaning: a translated text that
// carries another '%' sequence, or more "%s" than there are texts, shows them as they
// stand instead of reading arguments that were never passed.
std::string fill(const std::string& format, const std::string& first, const std::string& second,
                 std::size_t limit);

}  // namespace messageformat

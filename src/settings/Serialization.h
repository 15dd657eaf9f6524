#pragma once

#include <string>

#include "settings/Config.h"

namespace settings_impl::serialization {

// The settings text of `config`: its entries in ascending byte order of their keys, one
// per line ended by a line feed; a single blank for an empty configuration, so that the
// file written from it is never empty.
std::string toText(const Config& config);

}  // namespace settings_impl::serialization

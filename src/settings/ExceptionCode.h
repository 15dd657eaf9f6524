#pragma once

#include <string>

#include "settings/Exception.h"

namespace settings_impl {

// A settings::Exception whose code is fixed by its type, so handlers can tell the
// conversion and lookup failures apart by type.
template <int N>
class ExceptionCode : public settings::Exception {
public:
    explicit ExceptionCode(const std::string& detail = {}) : settings::Exception(N, detail) {}
};

}  // namespace settings_impl

#include "settings/Exception.h"

namespace settings {

Exception::Exception(int code, const std::string& detail)
    : code_(code), text_("settings error " + std::to_string(code) + (detail.empty() ? "" : ": " + detail)) {}

}  // namespace settings

#include "settings/ParseErrors.h"

namespace settings_impl::parse_errors {

const char* text(int kind) {
    switch (kind) {
        case kKeyWithoutValue:
            return "Key without value";
        case kEmptyKey:
            return "Empty key";
        case kInvalidKey:
            return "Invalid key";
        case kInvalidValue:
            return "Invalid value";
        case kInvalidComment:
            return "Invalid comment";
        default:
            return "Unknown error";
    }
}

std::string message(const IParserCursor& cursor, int kind) {
    return std::string("\"") + text(kind) + "\" at " + cursor.description();
}

}  // namespace settings_impl::parse_errors

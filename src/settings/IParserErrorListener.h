#pragma once

#include <string>

#include "settings/IParserCursor.h"

namespace settings_impl {

// Told about every error in settings text; may throw to stop the parse.
class IParserErrorListener {
public:
    virtual ~IParserErrorListener() = default;
    virtual void onError(const IParserCursor& cursor, const std::string& message) = 0;
};

}  // namespace settings_impl

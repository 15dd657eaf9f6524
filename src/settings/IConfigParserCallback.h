#pragma once

#include <optional>
#include <string>

#include "settings/IParserCursor.h"

namespace settings_impl {

// Receives what the parser finds in settings text.
class IConfigParserCallback {
public:
    // The kind onEntry returns for an accepted entry.
    static constexpr int kAccepted = 300;

    virtual ~IConfigParserCallback() = default;
    // Called once before the first line; nothing to do by default.
    virtual void onParseBegin() {}
    // One entry; a key without value has no `value`. Returns kAccepted or the error kind.
    virtual int onEntry(const IParserCursor& cursor, const std::string& key,
                        const std::optional<std::string>& value) = 0;
    // An error of `kind` at `cursor`.
    virtual void reportError(const IParserCursor& cursor, int kind) = 0;
};

}  // namespace settings_impl

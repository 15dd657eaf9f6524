#pragma once

#include <memory>

#include "settings/Config.h"
#include "settings/ConfigValidator.h"
#include "settings/IKeyMapper.h"
#include "settings/IParserErrorListener.h"

namespace settings_impl {

// Reads settings text into a new configuration.
class IConfigParser {
public:
    virtual ~IConfigParser() = default;
    virtual void setValidator(const ConfigValidator* validator) = 0;
    virtual void setKeyMapper(const IKeyMapper* keyMapper) = 0;
    virtual void setErrorListener(IParserErrorListener* listener) = 0;
    // On: an error thrown by the listener ends the parse, and a parse with errors gives
    // no configuration. Off: a failed line is skipped and the good entries are kept.
    virtual void setStopOnError(bool stopOnError) = 0;
    // Whether a line without separator is a key without value (else an error).
    virtual void setAllowKeyOnly(bool allowKeyOnly) = 0;
    // The new configuration, or none.
    virtual std::unique_ptr<Config> parse() = 0;
};

}  // namespace settings_impl

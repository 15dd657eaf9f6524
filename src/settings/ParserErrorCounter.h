#pragma once

#include <cstddef>

#include "settings/IParserErrorListener.h"

namespace settings_impl {

// Counts the errors of one parse and passes each on to an optional further listener.
class ParserErrorCounter : public IParserErrorListener {
public:
    explicit ParserErrorCounter(IParserErrorListener* next) : next_(next) {}

    void onError(const IParserCursor& cursor, const std::string& message) override;
    std::size_t count() const { return count_; }

private:
    IParserErrorListener* next_;
    std::size_t count_ = 0;
};

}  // namespace settings_impl

#include "settings/ParserErrorCounter.h"

namespace settings_impl {

void ParserErrorCounter::onError(const IParserCursor& cursor, const std::string& message) {
    ++count_;
    if (next_ != nullptr) {
        next_->onError(cursor, message);
    }
}

}  // namespace settings_impl

#include "settings/StringBuffer.h"

#include "settings/Exception.h"
#include "settings/PlainText.h"
#include "settings/ResultCodes.h"

namespace settings_impl {

std::string StringBuffer::read() {
    if (!plaintext::isPlain(text_)) {
        throw settings::Exception(settings::kTextNotPlain, "the settings text is not plain");
    }
    return text_;
}

}  // namespace settings_impl

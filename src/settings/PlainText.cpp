#include "settings/PlainText.h"

#include <cstddef>

namespace settings_impl::plaintext {

namespace {

// The length of the sequence that `lead` starts; 0 for a byte that starts none.
std::size_t sequenceLength(unsigned char lead) {
    if ((lead & 0x80) == 0x00) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    if ((lead & 0xFC) == 0xF8) return 5;
    if ((lead & 0xFE) == 0xFC) return 6;
    return 0;
}

}  // namespace

bool isPlain(std::string_view text) {
    std::size_t position = 0;
    while (position < text.size()) {
        const std::size_t length = sequenceLength(static_cast<unsigned char>(text[position]));
        if (length == 0 || length > text.size() - position) {
            return false;
        }
        position += length;
    }
    return true;
}

}  // namespace settings_impl::plaintext

#pragma once

#include <string_view>

namespace settings_impl::plaintext {

// Whether `text` is plain: walking from the start, a byte 0xxxxxxx is one character and
// a lead byte 110xxxxx ... 1111110x starts a sequence of 2 to 6 bytes whose following
// bytes are skipped unseen; any other byte in a walked position fails. A sequence that
// the end of the text cuts off fails as well, and nothing past the end is ever read.
bool isPlain(std::string_view text);

}  // namespace settings_impl::plaintext

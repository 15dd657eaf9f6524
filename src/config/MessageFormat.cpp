#include "config/MessageFormat.h"

namespace messageformat {

std::string fill(const std::string& format, const std::string& first, const std::string& second,
                 std::size_t limit) {
    const std::string* const texts[] = {&first, &second};
    std::size_t used = 0;
    std::string message;
    for (std::size_t position = 0; position < format.size() && message.size() < limit; ++position) {
        if (format.compare(position, 2, "%s") == 0 && used < 2) {
            message += *texts[used++];
            ++position;
        } else {
            message += format[position];
        }
    }
    if (message.size() > limit) {
        message.resize(limit);
    }
    return message;
}

}  // namespace messageformat

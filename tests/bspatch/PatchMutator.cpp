#include "PatchMutator.h"

#include "PatchBuilder.h"

#include <cstdint>
#include <limits>

namespace {

std::size_t below(std::mt19937_64& random, std::size_t bound) {
    return bound == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, bound - 1)(random);
}

std::int64_t extremeValue(std::mt19937_64& random, std::int64_t near) {
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    const std::int64_t choices[] = {0,    -1,    1,        near - 1, near + 1, -near,
                                    kMax, -kMax, kMax / 2, 1 << 30,  near * 2, near / 2};
    return choices[below(random, std::size(choices))];
}

void mutateOnce(std::string& patch, std::mt19937_64& random) {
    switch (below(random, 7)) {
        case 0:  // flip one bit
            if (!patch.empty()) {
                patch[below(random, patch.size())] ^= static_cast<char>(1u << below(random, 8));
            }
            break;
        case 1:  // overwrite a few bytes
            for (std::size_t n = below(random, 8) + 1, at = below(random, patch.size());
                 n > 0 && at < patch.size(); --n, ++at) {
                patch[at] = static_cast<char>(below(random, 256));
            }
            break;
        case 2:  // a header field set to an edge value
            if (patch.size() >= 32) {
                const std::size_t field = 8 + 8 * below(random, 3);
                std::int64_t current = 0;
                for (int i = 6; i >= 0; --i) {
                    current = (current << 8) | static_cast<unsigned char>(patch[field + i]);
                }
                patch.replace(field, 8, encodeOfftin(extremeValue(random, current)));
            }
            break;
        case 3:  // cut the file short
            patch.resize(below(random, patch.size() + 1));
            break;
        case 4:  // insert bytes
            patch.insert(below(random, patch.size() + 1),
                         std::string(below(random, 16) + 1, static_cast<char>(below(random, 256))));
            break;
        case 5:  // remove bytes
            if (!patch.empty()) {
                const std::size_t at = below(random, patch.size());
                patch.erase(at, below(random, 16) + 1);
            }
            break;
        default:  // repeat a range
            if (!patch.empty()) {
                const std::size_t at = below(random, patch.size());
                patch.insert(below(random, patch.size()), patch.substr(at, below(random, 64) + 1));
            }
            break;
    }
}

}  // namespace

std::string mutatePatch(const std::string& patch, std::mt19937_64& random) {
    std::string mutated = patch;
    for (std::size_t n = below(random, 3) + 1; n > 0; --n) {
        mutateOnce(mutated, random);
    }
    return mutated;
}

#include "config/SettingsFileLines.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "config/ConfigSet.h"
#include "diag/tstrings.h"

namespace settingsfilelines {

namespace {

// The file's lines, split at CR LF, a lone CR or a lone LF as the settings reader does.
std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines(1);
    for (std::size_t position = 0; position < text.size(); ++position) {
        const char c = text[position];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && position + 1 < text.size() && text[position + 1] == '\n') {
                ++position;
            }
            lines.emplace_back();
        } else {
            lines.back() += c;
        }
    }
    return lines;
}

}  // namespace

std::optional<int> lastLineSetting(const ConfigRules& rules, const std::string& utf8Path,
                                   const std::string& key) {
    std::ifstream file(std::filesystem::path(tstrings::toUtf16(utf8Path, CP_UTF8)), std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    const std::vector<std::string> lines = linesOf(text);
    std::optional<int> found;
    // Each line on its own through the settings library, so that the key is recognised
    // exactly as in the file's load (blanks, separators, key spelling).
    ConfigSet probe(rules);
    for (std::size_t index = 0; index < lines.size(); ++index) {
        if (probe.loadText(lines[index]) == 0 && probe.isKeySet(key)) {
            found = static_cast<int>(index);
            probe.remove(key);
        }
    }
    return found;
}

}  // namespace settingsfilelines

#include "settings/PlainTextFileConfigParser.h"

#include <string_view>
#include <utility>
#include <vector>

#include "settings/ConfigBuilder.h"
#include "settings/Exception.h"
#include "settings/ParseErrors.h"
#include "settings/ParserErrorCounter.h"

namespace settings_impl {

namespace {

constexpr std::string_view kBlanks = " \t";

// The lines of `text`; CR LF, a lone CR and a lone LF each end one line.
std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    std::size_t position = 0;
    while (position < text.size()) {
        const char c = text[position];
        if (c == '\r' || c == '\n') {
            lines.push_back(text.substr(start, position - start));
            position += (c == '\r' && position + 1 < text.size() && text[position + 1] == '\n') ? 2 : 1;
            start = position;
        } else {
            ++position;
        }
    }
    if (start < text.size()) {
        lines.push_back(text.substr(start));
    }
    return lines;
}

std::string_view trimRight(std::string_view text) {
    const std::size_t last = text.find_last_not_of(kBlanks);
    return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}

std::string_view trimLeft(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

}  // namespace

std::string PlainTextFileConfigParser::Cursor::description() const {
    return "line " + std::to_string(line_ + 1) + "; char " + std::to_string(column_ + 1);
}

PlainTextFileConfigParser::PlainTextFileConfigParser(std::unique_ptr<IBuffer> buffer)
    : buffer_(std::move(buffer)) {}

std::unique_ptr<Config> PlainTextFileConfigParser::parse() {
    const std::string text = buffer_->read();
    ParserErrorCounter counter(listener_);
    ConfigBuilder builder(keyMapper_, validator_, counter);
    builder.onParseBegin();
    const std::vector<std::string_view> lines = splitLines(text);
    for (std::size_t index = 0; index < lines.size(); ++index) {
        try {
            handleLine(lines[index], index, builder);
        } catch (const settings::Exception&) {
            if (stopOnError_) {
                throw;
            }
            // The listener has recorded this line; carry on with the next one.
        }
    }
    if (counter.count() != 0 && stopOnError_) {
        return nullptr;
    }
    return std::make_unique<Config>(builder.takeEntries());
}

void PlainTextFileConfigParser::handleLine(std::string_view line, std::size_t index,
                                           IConfigParserCallback& callback) const {
    const std::size_t column = line.find_first_not_of(kBlanks);
    if (column == std::string_view::npos || line[column] == '#') {
        return;
    }
    const Cursor cursor(index, column);
    const std::string_view content = line.substr(column);
    const std::size_t separator = content.find_first_of("=:");
    if (separator == std::string_view::npos) {
        if (allowKeyOnly_) {
            callback.onEntry(cursor, std::string(trimRight(content)), std::nullopt);
        } else {
            callback.reportError(cursor, parse_errors::kKeyWithoutValue);
        }
        return;
    }
    const std::string_view key = trimRight(content.substr(0, separator));
    if (key.empty()) {
        callback.reportError(cursor, parse_errors::kEmptyKey);
        return;
    }
    const std::string value(trimRight(trimLeft(content.substr(separator + 1))));
    const int kind = callback.onEntry(cursor, std::string(key), value);
    if (kind != IConfigParserCallback::kAccepted) {
        callback.reportError(cursor, kind);
    }
}

}  // namespace settings_impl

#include "ParserHarness.h"

#include "settings/Exception.h"
#include "settings/PlainTextFileConfigParser.h"
#include "settings/StringBuffer.h"

namespace settingstest {

void RecordingListener::onError(const settings_impl::IParserCursor& cursor, const std::string& message) {
    errors.push_back({cursor.line(), cursor.column(), message});
    if (throwOnError_) {
        throw settings::Exception(313, message);
    }
}

ParseResult parseText(const std::string& text, const ParseOptions& options) {
    RecordingListener listener(options.throwOnError);
    settings_impl::PlainTextFileConfigParser parser(std::make_unique<settings_impl::StringBuffer>(text));
    parser.setValidator(options.validator);
    parser.setKeyMapper(options.keyMapper);
    parser.setErrorListener(&listener);
    parser.setStopOnError(options.stopOnError);
    parser.setAllowKeyOnly(options.allowKeyOnly);
    ParseResult result;
    try {
        result.config = parser.parse();
    } catch (const settings::Exception&) {
        // The listener stopped the parse; the recorded errors tell the test why.
    }
    result.errors = std::move(listener.errors);
    return result;
}

std::vector<std::pair<std::string, std::string>> entriesOf(const settings_impl::Config& config) {
    std::vector<std::pair<std::string, std::string>> entries;
    for (const std::string& key : config.keys()) {
        entries.emplace_back(key, config.hasValue(key) ? config.text(key) : "<none>");
    }
    return entries;
}

}  // namespace settingstest

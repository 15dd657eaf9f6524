#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "settings/Config.h"
#include "settings/ConfigValidator.h"
#include "settings/IKeyMapper.h"
#include "settings/IParserErrorListener.h"

namespace settingstest {

// An error as the parser reported it.
struct ReportedError {
    std::size_t line;
    std::size_t column;
    std::string message;
};

// Records every error; throws settings::Exception 313 after recording when asked to,
// as the settings context does.
class RecordingListener : public settings_impl::IParserErrorListener {
public:
    explicit RecordingListener(bool throwOnError = false) : throwOnError_(throwOnError) {}
    void onError(const settings_impl::IParserCursor& cursor, const std::string& message) override;
    std::vector<ReportedError> errors;

private:
    bool throwOnError_;
};

struct ParseOptions {
    bool stopOnError = false;
    bool allowKeyOnly = false;
    bool throwOnError = false;
    const settings_impl::ConfigValidator* validator = nullptr;
    const settings_impl::IKeyMapper* keyMapper = nullptr;
};

struct ParseResult {
    std::unique_ptr<settings_impl::Config> config;
    std::vector<ReportedError> errors;
};

// Parses `text` from a StringBuffer with the given options.
ParseResult parseText(const std::string& text, const ParseOptions& options = {});

// The entries of `config` as (key, text or "<none>") pairs in key order.
std::vector<std::pair<std::string, std::string>> entriesOf(const settings_impl::Config& config);

}  // namespace settingstest

#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "settings/IConfigParser.h"
#include "settings/IParserCursor.h"

namespace settings_impl {

class IConfigParserCallback;

// The parser of settings text: one entry per line, "key=value" or "key:value", comments
// at line start, blanks (space, tab) trimmed, CR LF, lone CR and lone LF as line ends.
class PlainTextFileConfigParser : public IConfigParser {
public:
    // Where the text comes from.
    class IBuffer {
    public:
        virtual ~IBuffer() = default;
        // The whole text; failures raise settings::Exception.
        virtual std::string read() = 0;
    };

    class Cursor : public IParserCursor {
    public:
        Cursor(std::size_t line, std::size_t column) : line_(line), column_(column) {}
        std::size_t line() const override { return line_; }
        std::size_t column() const override { return column_; }
        std::string description() const override;

    private:
        std::size_t line_;
        std::size_t column_;
    };

    explicit PlainTextFileConfigParser(std::unique_ptr<IBuffer> buffer);

    void setValidator(const ConfigValidator* validator) override { validator_ = validator; }
    void setKeyMapper(const IKeyMapper* keyMapper) override { keyMapper_ = keyMapper; }
    void setErrorListener(IParserErrorListener* listener) override { listener_ = listener; }
    void setStopOnError(bool stopOnError) override { stopOnError_ = stopOnError; }
    void setAllowKeyOnly(bool allowKeyOnly) override { allowKeyOnly_ = allowKeyOnly; }
    std::unique_ptr<Config> parse() override;

private:
    void handleLine(std::string_view line, std::size_t index, IConfigParserCallback& callback) const;

    std::unique_ptr<IBuffer> buffer_;
    const ConfigValidator* validator_ = nullptr;
    const IKeyMapper* keyMapper_ = nullptr;
    IParserErrorListener* listener_ = nullptr;
    bool stopOnError_ = true;
    bool allowKeyOnly_ = false;
};

}  // namespace settings_impl

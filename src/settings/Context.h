#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "settings/Config.h"
#include "settings/ConfigValidator.h"
#include "settings/IKeyMapper.h"
#include "settings/IParserErrorListener.h"
#include "settings/PlainTextFileConfigParser.h"

namespace settings_impl {

// What one settings_api context holds: a configuration, the path of the runtime
// settings file and the error lines of the last load. It is the error listener of its
// own loads: each error is recorded, told on the standard error stream and ends the
// line (or the load) with settings::Exception 313.
class Context : public IParserErrorListener {
public:
    struct LoadOptions {
        const ConfigValidator* validator = nullptr;
        const IKeyMapper* keyMapper = nullptr;
        bool stopOnError = true;
        bool allowKeyOnly = false;
    };

    // Empty configuration; the runtime settings file below the 32-bit common program
    // files folder (200 when that folder is unknown).
    Context();

    const std::string& filePath() const { return filePath_; }
    Config& config() { return config_; }
    const Config& config() const { return config_; }
    const std::vector<int>& errorLines() const { return errorLines_; }

    // Parses the file or text and merges the entries into the configuration; 313 when
    // a line had errors (with stopOnError the configuration then stays as it was).
    void loadFile(const std::string& path, const LoadOptions& options);
    void loadString(const std::string& text, const LoadOptions& options);

    // Writes the configuration to `path`.
    void saveFile(const std::string& path) const;

    void onError(const IParserCursor& cursor, const std::string& message) override;

private:
    void load(std::unique_ptr<PlainTextFileConfigParser::IBuffer> buffer, const LoadOptions& options);

    Config config_;
    std::string filePath_;
    std::vector<int> errorLines_;
};

}  // namespace settings_impl

#include "settings/Context.h"

#include <windows.h>
// after windows.h
#include <shlobj.h>

#include <iostream>

#include "diag/CatchAndLog.h"
#include "diag/tstrings.h"
#include "platform/SysInfo.h"
#include "settings/Exception.h"
#include "settings/FileBuffer.h"
#include "settings/ResultCodes.h"
#include "settings/Serialization.h"
#include "settings/SettingsFile.h"
#include "settings/StringBuffer.h"

namespace settings_impl {

namespace {

// The runtime settings file shared by the product family, UTF-8.
std::string runtimeSettingsPath() {
    try {
        const std::string folder = SysInfo::SHGetFolderPathAdapter(CSIDL_PROGRAM_FILES_COMMONX86, 0);
        return tstrings::toUtf8(tstrings::toUtf16(folder, CP_ACP)) + "\\Veyra\\Vesk\\vesk.settings.cfg";
    } catch (const std::exception& error) {
        logException(VDS_LOCATION("settings_impl::Context::Context"), error);
        throw settings::Exception(settings::kInternalError, "the common program files folder is unknown");
    }
}

}  // namespace

Context::Context() : filePath_(runtimeSettingsPath()) {}

void Context::loadFile(const std::string& path, const LoadOptions& options) {
    load(std::make_unique<FileBuffer>(FilePath(path)), options);
}

void Context::loadString(const std::string& text, const LoadOptions& options) {
    load(std::make_unique<StringBuffer>(text), options);
}

void Context::load(std::unique_ptr<PlainTextFileConfigParser::IBuffer> buffer, const LoadOptions& options) {
    errorLines_.clear();
    PlainTextFileConfigParser parser(std::move(buffer));
    parser.setValidator(options.validator);
    parser.setKeyMapper(options.keyMapper);
    parser.setErrorListener(this);
    parser.setStopOnError(options.stopOnError);
    parser.setAllowKeyOnly(options.allowKeyOnly);
    const std::unique_ptr<Config> parsed = parser.parse();
    if (parsed) {
        config_.merge(*parsed);
    }
    if (!errorLines_.empty()) {
        throw settings::Exception(settings::kParseErrors, "the settings text has errors");
    }
}

void Context::saveFile(const std::string& path) const {
    const FilePath canonical(path);
    settings_file::write(canonical, serialization::toText(config_));
}

void Context::onError(const IParserCursor& cursor, const std::string& message) {
    errorLines_.push_back(static_cast<int>(cursor.line()));
    std::cerr << "Error reading config file: " << message << std::endl;
    throw settings::Exception(settings::kParseErrors, message);
}

}  // namespace settings_impl

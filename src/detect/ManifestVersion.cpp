#include "detect/ManifestVersion.h"

#include <memory>

#include "diag/tstrings.h"
#include "platform/FileUtils.h"
#include "settings/Config.h"
#include "settings/Exception.h"
#include "settings/PlainTextFileConfigParser.h"
#include "settings/ResultCodes.h"
#include "settings/StringBuffer.h"
#include "zip/ZipFile.h"

namespace ManifestVersion {

namespace {

constexpr const char* versionKey = "Implementation-Version";
constexpr const char* manifestEntry = "META-INF/MANIFEST.MF";

}  // namespace

std::string mainSection(const std::string& manifest) {
    // Lines end in CR LF, LF or a lone CR; the first line that is empty ends the section.
    std::string::size_type start = 0;
    while (start < manifest.size()) {
        const std::string::size_type end = manifest.find_first_of("\r\n", start);
        if (end == start) {
            return manifest.substr(0, start);
        }
        if (end == std::string::npos) {
            break;
        }
        start = end + (manifest.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return manifest;
}

VeskVersion versionFromManifest(const std::string& manifest) {
    // The parser alone, without a library context: a context also looks up the runtime
    // settings file's folder, which has nothing to do with a manifest and may fail.
    settings_impl::PlainTextFileConfigParser parser(
        std::make_unique<settings_impl::StringBuffer>(mainSection(manifest)));
    parser.setStopOnError(true);
    parser.setAllowKeyOnly(false);
    const std::unique_ptr<settings_impl::Config> config = parser.parse();
    if (!config) {
        throw settings::Exception(settings::kParseErrors, "the manifest's main section has errors");
    }
    return VeskVersion(config->copyText(versionKey));
}

std::string runtimeArchivePath(const std::string& home) { return FileUtils::join(home, "lib\\rt.vpk"); }

std::string readRuntimeManifest(const std::string& home) {
    // The zip reader takes UTF-8 paths; ours are ANSI.
    const ZipFile archive(tstrings::toUtf8(tstrings::toUtf16(runtimeArchivePath(home), CP_ACP)));
    return archive.extractEntryAsUtf8String(manifestEntry);
}

}  // namespace ManifestVersion

#include "config/ConfigSet.h"

#include "settings/Exception.h"
#include "settings/ResultCodes.h"

namespace {

const settings_api::Table& api = settings_api::api();

void check(int result, const std::string& what) {
    if (result != 0) {
        throw settings::Exception(result, what + " failed");
    }
}

}  // namespace

ConfigSet::ConfigSet(const ConfigRules& rules) : rules_(rules) {
    check(api.createContext(&context_), "creating a configuration set");
    const char* path = nullptr;
    const int result = api.getFilePath(context_, &path);
    if (result != 0) {
        api.destroyContext(context_);
        check(result, "reading the runtime settings file path");
    }
    filePath_ = path;
}

ConfigSet::~ConfigSet() { api.destroyContext(context_); }

int ConfigSet::loadText(const std::string& text) {
    return api.loadString(context_, text.c_str(), rules_.validator(), rules_.keyMapper(), stopOnError_,
                          allowKeyOnly_);
}

int ConfigSet::loadFile(const std::string& path) {
    // A key without value in a file would be a typed key that every typed read fails on;
    // key-only entries are for switches on the command line.
    return api.loadFile(context_, path.c_str(), rules_.validator(), rules_.keyMapper(), stopOnError_, false);
}

int ConfigSet::merge(const ConfigSet& other) { return api.mergeContext(context_, other.context_); }

std::optional<std::string> ConfigSet::text(const std::string& key) const {
    const char* value = nullptr;
    if (api.getString(context_, key.c_str(), &value) != 0 || value == nullptr) {
        return std::nullopt;
    }
    return std::string(value);
}

bool ConfigSet::isKeySet(const std::string& key) const {
    if (text(key)) {
        return true;
    }
    // A key without value (a switch) has no text but reads as a boolean.
    bool value = false;
    return api.getBool(context_, key.c_str(), &value) == 0;
}

std::string ConfigSet::getString(const std::string& key) const {
    const char* value = nullptr;
    check(api.getString(context_, key.c_str(), &value), "reading the text of " + key);
    return value;
}

int ConfigSet::getInt(const std::string& key) const {
    int value = 0;
    check(api.getInt(context_, key.c_str(), &value), "reading the integer of " + key);
    return value;
}

int ConfigSet::remove(const std::string& key) { return api.removeKey(context_, key.c_str()); }

bool ConfigSet::empty() const {
    bool isEmpty = false;
    check(api.isEmpty(context_, &isEmpty), "asking whether a configuration set is empty");
    return isEmpty;
}

bool ConfigSet::equals(const ConfigSet& other) const {
    bool equal = false;
    check(api.isEqual(context_, other.context_, &equal), "comparing configuration sets");
    return equal;
}

std::vector<std::string> ConfigSet::keys() const {
    std::vector<std::string> names;
    check(api.forEachEntry(
              context_,
              [](settings_api::Context*, std::size_t, std::size_t, const char* key, void* userData) {
                  static_cast<std::vector<std::string>*>(userData)->push_back(key);
              },
              &names),
          "listing a configuration set");
    return names;
}

int ConfigSet::save() const { return api.saveFile(context_, filePath_.c_str()); }

std::optional<int> ConfigSet::firstErrorLine() const {
    const int* lines = nullptr;
    std::size_t count = 0;
    check(api.getErrorLines(context_, &lines, &count), "reading the error lines of a load");
    if (lines == nullptr || count == 0) {
        return std::nullopt;
    }
    return lines[0];
}

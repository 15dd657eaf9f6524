#pragma once

#include <optional>
#include <string>
#include <vector>

#include "config/ConfigRules.h"
#include "settings/settings_api.h"

// One configuration set of the installer: a settings context bound to the runtime
// settings file, its two load flags and the shared rules it loads with. Texts are UTF-8
// and are always copied out of the context, so no caller holds a pointer that a later
// load could free.
class ConfigSet {
public:
    // An empty set; settings::Exception when the context cannot be made (200 when the
    // runtime settings file's folder is unknown).
    explicit ConfigSet(const ConfigRules& rules);
    ~ConfigSet();
    ConfigSet(const ConfigSet&) = delete;
    ConfigSet& operator=(const ConfigSet&) = delete;

    // Key-only entries are taken from argument texts once the set's first command-line
    // pass has begun; settings files never get them.
    void allowKeyOnly() { allowKeyOnly_ = true; }

    // Loads settings text (an argument, the defaults, a derived value) with the set's
    // flags; the settings library's result code.
    int loadText(const std::string& text);
    // Loads a settings file; key-only lines are refused in every file.
    int loadFile(const std::string& path);
    // Copies every key of `other` over this set's keys.
    int merge(const ConfigSet& other);

    // The text of the key's value; nothing when the key is absent or has no value.
    std::optional<std::string> text(const std::string& key) const;
    // Whether the key is present, with or without a value.
    bool isKeySet(const std::string& key) const;
    // The key's text or integer; settings::Exception 303 when absent, 301 when it has no
    // value of that type.
    std::string getString(const std::string& key) const;
    int getInt(const std::string& key) const;

    // Removes the key; 303 when it is absent.
    int remove(const std::string& key);
    bool empty() const;
    // Same key names and equal values.
    bool equals(const ConfigSet& other) const;
    // The key names in byte order.
    std::vector<std::string> keys() const;

    // The runtime settings file (UTF-8).
    const std::string& filePath() const { return filePath_; }
    // Writes the set to the runtime settings file; the library's result code.
    int save() const;
    // The first line (from 0) the last load recorded an error in; settings::Exception when
    // the list cannot be read.
    std::optional<int> firstErrorLine() const;

private:
    settings_api::Context* context_ = nullptr;
    const ConfigRules& rules_;
    bool allowKeyOnly_ = false;
    bool stopOnError_ = true;
    std::string filePath_;
};

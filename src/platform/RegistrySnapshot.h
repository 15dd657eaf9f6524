#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/Registry.h"

// A copy in memory of one registry key with its values and sub-keys, taken and written
// back with the wide calls so that names and data stay exactly as they were.
class RegistrySnapshot {
public:
    // The key `subKey` below `root`, in the root's view, as it is now; nothing when it
    // does not exist. Other failures throw VdsError<SysError>.
    static std::optional<RegistrySnapshot> take(const Registry& root, const std::string& subKey);

    // Writes every value and sub-key back where it was taken from, creating the keys
    // that are missing; values and keys that were added since stay. Throws
    // VdsError<SysError> naming the key that could not be written.
    void restore(const Registry& root) const;

    // "HKLM64\Software\...", for log lines.
    const std::string& path() const { return path_; }
    // How many values the key and its sub-keys hold.
    std::size_t valueCount() const;

private:
    struct Value {
        std::wstring name;
        DWORD type = REG_NONE;
        std::vector<BYTE> data;
    };
    struct Key {
        std::wstring name;
        std::vector<Value> values;
        std::vector<Key> subKeys;
    };

    static Key read(HKEY key, REGSAM view, std::wstring name, const std::string& path);
    static void write(HKEY parent, REGSAM view, const Key& key, const std::string& path);
    static std::size_t countValues(const Key& key);

    std::string subKey_;
    std::string path_;
    Key key_;
};

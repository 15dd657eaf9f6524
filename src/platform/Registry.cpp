#include "platform/Registry.h"

#include <shlwapi.h>

#include <cstring>
#include <stdexcept>
#include <utility>

#include "diag/Logger.h"
#include "diag/SysError.h"
#include "diag/VdsError.h"
#include "diag/tstrings.h"
#include "platform/SysInfo.h"
#include "win/Dll.h"
#include "win/DllFunction.h"

namespace {

constexpr REGSAM readAccess = KEY_READ;
constexpr REGSAM writeAccess = KEY_READ | KEY_WRITE;
constexpr REGSAM treeDeleteAccess = DELETE | KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_ENUMERATE_SUB_KEYS;

// Longest names that enumeration reads, terminator included.
constexpr DWORD subkeyNameCapacity = 256;
constexpr DWORD valueNameCapacity = 16384;

// Strings longer than this are cut in log lines.
constexpr std::string::size_type loggedValueLength = 1024;

// "<operation> (<path>) error[: <detail>]"
std::string errorMessage(const std::string& operation, const std::string& path,
                         const std::string& detail = "") {
    return operation + " (" + path + ") error" + (detail.empty() ? "" : ": " + detail);
}

// A value name split into the relative sub-key it lives in (possibly empty) and its leaf.
struct ValueName {
    std::string subKey;
    std::string leaf;
};

ValueName splitValueName(const std::string& name) {
    const std::string::size_type separator = name.find_last_of("\\/");
    if (separator == std::string::npos) {
        return {"", name};
    }
    return {tstrings::trimRight(name.substr(0, separator), "\\/"), name.substr(separator + 1)};
}

std::string displayName(const std::string& base, REGSAM view) {
    if (!SysInfo::isNativeX64()) {
        return base;
    }
    return base + (view == KEY_WOW64_32KEY ? "32" : view == KEY_WOW64_64KEY ? "64" : "");
}

// "[value]", or the first 1024 characters and the full length for longer values.
std::string loggedValue(const std::string& value) {
    if (value.size() <= loggedValueLength) {
        return "[" + value + "]";
    }
    return "[" + value.substr(0, loggedValueLength) + "...]; length=" + tstrings::toDecimal(value.size());
}

// advapi32 stays loaded for the whole process: this program links it.
const Dll& advapi32() {
    static const Dll library = Dll::loaded(L"advapi32.dll");
    return library;
}

// The wide copy of a narrow name for the wide-only calls. Names are in the ANSI code page,
// as the ANSI calls that gave them (getSubkeyNames) and take them; false when `name`
// does not convert (an empty wide name would address the parent key itself).
bool toWideName(const std::string& name, std::wstring& wide) {
    wide = tstrings::toUtf16(name, CP_ACP);
    return !wide.empty();
}

// The wide form of a value name (an empty one names the default value) for the wide
// calls; throws naming `path` when the name does not convert.
std::wstring wideValueName(const std::string& name, const std::string& path, const std::string& operation,
                           const char* function) {
    std::wstring wide;
    if (!name.empty() && !toWideName(name, wide)) {
        VDS_THROW(std::runtime_error, function,
                  errorMessage(operation, path, "name not in the ANSI code page"));
    }
    return wide;
}

}  // namespace

const Registry Registry::HKLM(HKEY_LOCAL_MACHINE, 0, "HKLM");
const Registry Registry::HKLM32(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, "HKLM");
const Registry Registry::HKLM64(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, "HKLM");
const Registry Registry::HKCU32(HKEY_CURRENT_USER, KEY_WOW64_32KEY, "HKCU");
const Registry Registry::HKCU64(HKEY_CURRENT_USER, KEY_WOW64_64KEY, "HKCU");
const Registry Registry::HKCR(HKEY_CLASSES_ROOT, 0, "HKC");

Registry::Registry(HKEY predefined, REGSAM view, const std::string& baseName)
    : key_(predefined), view_(view), path_(displayName(baseName, view)) {}

Registry::Registry(const Registry& parent, const std::string& subKey, AutoRegKey key)
    : key_(std::move(key)), view_(parent.view_), path_(parent.childPath(subKey)) {}

Registry::Registry(const Registry& parent, const std::string& subKey, Mode mode)
    : view_(parent.view_), path_(parent.childPath(subKey)) {
    LSTATUS result = ERROR_SUCCESS;
    if (mode == Write) {
        result = RegCreateKeyExA(parent.handle(), subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 writeAccess | view_, nullptr, key_.receive(), nullptr);
    } else {
        result = RegOpenKeyExA(parent.handle(), subKey.c_str(), 0,
                               (mode == Modify ? writeAccess : readAccess) | view_, key_.receive());
    }
    if (result != ERROR_SUCCESS) {
        if (mode == Write) {
            VDS_THROW(SysError, "Registry::open", errorMessage("open key", path_), RegCreateKeyExA,
                      static_cast<DWORD>(result));
        }
        VDS_THROW(SysError, "Registry::open", errorMessage("open key", path_), RegOpenKeyExA,
                  static_cast<DWORD>(result));
    }
}

std::string Registry::childPath(const std::string& name) const { return path_ + "\\" + name; }

LSTATUS Registry::openChild(const std::string& subKey, REGSAM access, AutoRegKey& key) const {
    return RegOpenKeyExA(handle(), subKey.c_str(), 0, access | view_, key.receive());
}

bool Registry::hasSubkey(const std::string& subKey) const {
    AutoRegKey key;
    return openChild(subKey, readAccess, key) == ERROR_SUCCESS;
}

bool Registry::hasValue(const std::string& name, DWORD* type) const {
    const ValueName value = splitValueName(name);
    if (!value.subKey.empty()) {
        AutoRegKey key;
        if (openChild(value.subKey, readAccess, key) != ERROR_SUCCESS) {
            return false;
        }
        return Registry(*this, value.subKey, std::move(key)).hasValue(value.leaf, type);
    }
    DWORD found = REG_NONE;
    if (RegQueryValueExA(handle(), name.c_str(), nullptr, &found, nullptr, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    if (type != nullptr) {
        *type = found;
    }
    return true;
}

std::vector<BYTE> Registry::getValue(const std::string& name, DWORD& type) const {
    const ValueName value = splitValueName(name);
    if (!value.subKey.empty()) {
        return Registry(*this, value.subKey, Read).getValue(value.leaf, type);
    }
    std::vector<BYTE> data;
    for (;;) {
        auto size = static_cast<DWORD>(data.size());
        const LSTATUS result = RegQueryValueExA(handle(), name.c_str(), nullptr, &type,
                                                data.empty() ? nullptr : data.data(), &size);
        if (result == ERROR_MORE_DATA) {
            data.resize(size);
        } else if (result != ERROR_SUCCESS) {
            VDS_THROW(SysError, "Registry::getValue", errorMessage("query value", childPath(name)),
                      RegQueryValueExA, static_cast<DWORD>(result));
        } else if (!data.empty()) {
            data.resize(size);
            return data;
        } else if (size == 0) {
            return data;
        } else {
            // The first query only measured the value; the next one reads it.
            data.resize(size);
        }
    }
}

std::string Registry::getString(const std::string& name) const {
    const ValueName value = splitValueName(name);
    if (!value.subKey.empty()) {
        return Registry(*this, value.subKey, Read).getString(value.leaf);
    }
    DWORD type = REG_NONE;
    const std::vector<BYTE> data = getValue(name, type);
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
        VDS_THROW(std::runtime_error, "Registry::getString",
                  errorMessage("query string value", childPath(name), "wrong type"));
    }
    std::string text(data.begin(), data.end());
    if (!text.empty() && text.back() == '\0') {
        text.pop_back();
    }
    return text;
}

std::string Registry::getString(const std::string& name, const std::string& defaultValue) const {
    try {
        return getString(name);
    } catch (const std::exception&) {
        return defaultValue;
    }
}

void Registry::setDword(const std::string& name, DWORD value) const {
    const ValueName valueName = splitValueName(name);
    if (!valueName.subKey.empty()) {
        Registry(*this, valueName.subKey, Write).setDword(valueName.leaf, value);
        return;
    }
    const LSTATUS result = RegSetValueExA(handle(), name.c_str(), 0, REG_DWORD,
                                          reinterpret_cast<const BYTE*>(&value), sizeof value);
    if (result != ERROR_SUCCESS) {
        VDS_THROW(SysError, "Registry::setDword", errorMessage("set dword value", childPath(name)),
                  RegSetValueExA, static_cast<DWORD>(result));
    }
    LOG_TRACE("Registry::setDword",
              "Set [" << childPath(name) << "]=" << typeName(REG_DWORD) << "[" << value << "]");
}

void Registry::setString(const std::string& name, const std::string& value) const {
    setStringValue(name, value, REG_SZ, "set string value", "Registry::setString");
}

void Registry::setExpandString(const std::string& name, const std::string& value) const {
    setStringValue(name, value, REG_EXPAND_SZ, "set expand string value", "Registry::setExpandString");
}

void Registry::setStringValue(const std::string& name, const std::string& value, DWORD type,
                              const char* operation, const char* function) const {
    const ValueName valueName = splitValueName(name);
    if (!valueName.subKey.empty()) {
        Registry(*this, valueName.subKey, Write)
            .setStringValue(valueName.leaf, value, type, operation, function);
        return;
    }
    const LSTATUS result =
        RegSetValueExA(handle(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
    if (result != ERROR_SUCCESS) {
        VDS_THROW(SysError, function, errorMessage(operation, childPath(name)), RegSetValueExA,
                  static_cast<DWORD>(result));
    }
    LOG_TRACE(function, "Set [" << childPath(name) << "]=" << typeName(type) << loggedValue(value));
}

LSTATUS Registry::deleteValue(const std::string& name) const {
    const ValueName value = splitValueName(name);
    if (!value.subKey.empty()) {
        AutoRegKey key;
        const LSTATUS opened = openChild(value.subKey, writeAccess, key);
        if (opened != ERROR_SUCCESS) {
            return opened;
        }
        return Registry(*this, value.subKey, std::move(key)).deleteValue(value.leaf);
    }
    const LSTATUS result = RegDeleteValueA(handle(), name.c_str());
    if (result == ERROR_SUCCESS) {
        LOG_TRACE("Registry::deleteValue", "Deleted [" << childPath(name) << "] value");
    }
    return result;
}

LSTATUS Registry::deleteSubkey(const std::string& subKey) const {
    // An empty name would delete this key itself.
    if (subKey.empty()) {
        return ERROR_INVALID_PARAMETER;
    }
    const DllFunction<decltype(RegDeleteKeyExW)> regDeleteKeyExW(advapi32(), "RegDeleteKeyExW");
    if (!regDeleteKeyExW.available()) {
        return RegDeleteKeyA(handle(), subKey.c_str());
    }
    std::wstring wideName;
    if (!toWideName(subKey, wideName)) {
        return ERROR_INVALID_PARAMETER;
    }
    const LSTATUS result = regDeleteKeyExW(handle(), wideName.c_str(), view_, 0);
    if (result == ERROR_SUCCESS) {
        LOG_TRACE("Registry::deleteSubkey", "Deleted [" << childPath(subKey) << "] key");
    }
    return result;
}

LSTATUS Registry::deleteKeyTree(const std::string& subKey) const {
    // An empty name would empty this whole key, a root key included; a name that the
    // final deletion of the key could not take must not leave the key emptied.
    std::wstring wideName;
    if (subKey.empty() || !toWideName(subKey, wideName)) {
        return ERROR_INVALID_PARAMETER;
    }
    LSTATUS result = ERROR_SUCCESS;
    {
        AutoRegKey key;
        result = openChild(subKey, treeDeleteAccess, key);
        if (result != ERROR_SUCCESS) {
            return result;
        }
        const DllFunction<decltype(RegDeleteTreeW)> regDeleteTreeW(advapi32(), "RegDeleteTreeW");
        result =
            regDeleteTreeW.available() ? regDeleteTreeW(key.get(), nullptr) : SHDeleteKeyA(key.get(), "");
    }
    if (result != ERROR_SUCCESS) {
        return result;
    }
    LOG_TRACE("Registry::deleteKeyTree", "Deleted all child elements of [" << childPath(subKey) << "] key");
    return deleteSubkey(subKey);
}

void Registry::deleteKeyTree(const std::string& subKey, Throwing) const {
    const LSTATUS result = deleteKeyTree(subKey);
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND && result != ERROR_KEY_DELETED) {
        VDS_THROW(SysError, "Registry::deleteKeyTree", errorMessage("delete key tree", childPath(subKey)),
                  nullptr, static_cast<DWORD>(result));
    }
}

std::vector<std::string> Registry::getSubkeyNames() const {
    std::vector<std::string> names;
    for (DWORD index = 0;; ++index) {
        char name[subkeyNameCapacity];
        DWORD length = subkeyNameCapacity;
        const LSTATUS result =
            RegEnumKeyExA(handle(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) {
            return names;
        }
        if (result != ERROR_SUCCESS) {
            VDS_THROW(SysError, "Registry::getSubkeyNames",
                      errorMessage("enum subkeys", childPath(tstrings::toDecimal(index + 1))), RegEnumKeyExA,
                      static_cast<DWORD>(result));
        }
        names.emplace_back(name, length);
    }
}

std::vector<std::string> Registry::getValueNames() const {
    std::vector<std::string> names;
    std::vector<char> name(valueNameCapacity);
    for (DWORD index = 0;; ++index) {
        DWORD length = valueNameCapacity;
        const LSTATUS result =
            RegEnumValueA(handle(), index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) {
            return names;
        }
        if (result != ERROR_SUCCESS) {
            VDS_THROW(SysError, "Registry::getValueNames",
                      errorMessage("enum values", childPath(tstrings::toDecimal(index + 1))), RegEnumValueA,
                      static_cast<DWORD>(result));
        }
        names.emplace_back(name.data(), length);
    }
}

std::string Registry::typeName(DWORD type) {
    static const char* const names[] = {"REG_NONE",
                                        "REG_SZ",
                                        "REG_EXPAND_SZ",
                                        "REG_BINARY",
                                        "REG_DWORD",
                                        "REG_DWORD_BIG_ENDIAN",
                                        "REG_LINK",
                                        "REG_MULTI_SZ",
                                        "REG_RESOURCE_LIST",
                                        "REG_FULL_RESOURCE_DESCRIPTOR",
                                        "REG_RESOURCE_REQUIREMENTS_LIST",
                                        "REG_QWORD"};
    return type < std::size(names) ? names[type] : "Unknown";
}

std::wstring Registry::getWideString(const std::string& name, const std::wstring& defaultValue) const {
    try {
        return getWideString(name);
    } catch (const std::exception&) {
        return defaultValue;
    }
}

std::vector<BYTE> Registry::getWideValue(const std::string& name, DWORD& type) const {
    const ValueName value = splitValueName(name);
    if (!value.subKey.empty()) {
        return Registry(*this, value.subKey, Read).getWideValue(value.leaf, type);
    }
    const std::wstring leaf = wideValueName(name, childPath(name), "query value", "Registry::getWideValue");
    std::vector<BYTE> data;
    for (;;) {
        auto size = static_cast<DWORD>(data.size());
        const LSTATUS result = RegQueryValueExW(handle(), leaf.c_str(), nullptr, &type,
                                                data.empty() ? nullptr : data.data(), &size);
        if (result == ERROR_MORE_DATA || (result == ERROR_SUCCESS && data.empty() && size != 0)) {
            data.resize(size);
            continue;
        }
        if (result != ERROR_SUCCESS) {
            VDS_THROW(SysError, "Registry::getWideValue", errorMessage("query value", childPath(name)),
                      RegQueryValueExW, static_cast<DWORD>(result));
        }
        data.resize(size);
        return data;
    }
}

std::wstring Registry::getWideString(const std::string& name, DWORD* type) const {
    DWORD found = REG_NONE;
    const std::vector<BYTE> data = getWideValue(name, found);
    if (found != REG_SZ && found != REG_EXPAND_SZ) {
        VDS_THROW(std::runtime_error, "Registry::getWideString",
                  errorMessage("query string value", childPath(name), "wrong type " + typeName(found)));
    }
    if (type != nullptr) {
        *type = found;
    }
    // An odd last byte is not a character.
    std::wstring text(data.size() / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') {
        text.pop_back();
    }
    return text;
}

void Registry::setWideString(const std::string& name, const std::wstring& value) const {
    setWideStringValue(name, value, REG_SZ, "set string value", "Registry::setWideString");
}

void Registry::setWideExpandString(const std::string& name, const std::wstring& value) const {
    setWideStringValue(name, value, REG_EXPAND_SZ, "set expand string value",
                       "Registry::setWideExpandString");
}

void Registry::setWideStringValue(const std::string& name, const std::wstring& value, DWORD type,
                                  const char* operation, const char* function) const {
    const ValueName valueName = splitValueName(name);
    if (!valueName.subKey.empty()) {
        Registry(*this, valueName.subKey, Write)
            .setWideStringValue(valueName.leaf, value, type, operation, function);
        return;
    }
    const std::wstring leaf = wideValueName(name, childPath(name), operation, function);
    const LSTATUS result =
        RegSetValueExW(handle(), leaf.c_str(), 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    if (result != ERROR_SUCCESS) {
        VDS_THROW(SysError, function, errorMessage(operation, childPath(name)), RegSetValueExW,
                  static_cast<DWORD>(result));
    }
    LOG_TRACE(function,
              "Set [" << childPath(name) << "]=" << typeName(type) << loggedValue(tstrings::toUtf8(value)));
}

#include "platform/RegistrySnapshot.h"

#include "diag/SysError.h"
#include "diag/VdsError.h"
#include "diag/tstrings.h"
#include "win/AutoHandle.h"

namespace {

constexpr const char* takeFunction = "RegistrySnapshot::take";
constexpr const char* restoreFunction = "RegistrySnapshot::restore";

[[noreturn]] void throwRegistryError(const char* function, LSTATUS status, const std::string& what) {
    VDS_THROW(SysError, function, what, nullptr, static_cast<DWORD>(status));
}

std::string childPath(const std::string& path, const std::wstring& name) {
    return path + "\\" + tstrings::toUtf8(name);
}

}  // namespace

std::optional<RegistrySnapshot> RegistrySnapshot::take(const Registry& root, const std::string& subKey) {
    const std::wstring name = tstrings::toUtf16(subKey, CP_ACP);
    HKEY opened = nullptr;
    const LSTATUS status = RegOpenKeyExW(root.handle(), name.c_str(), 0, KEY_READ | root.view(), &opened);
    const std::string path = root.path() + "\\" + subKey;
    if (status == ERROR_FILE_NOT_FOUND) {
        return std::nullopt;
    }
    if (status != ERROR_SUCCESS) {
        throwRegistryError(takeFunction, status, "open key (" + path + ") error");
    }
    const AutoRegKey key(opened);
    RegistrySnapshot snapshot;
    snapshot.subKey_ = subKey;
    snapshot.path_ = path;
    snapshot.key_ = read(key.get(), root.view(), name, path);
    return snapshot;
}

RegistrySnapshot::Key RegistrySnapshot::read(HKEY key, REGSAM view, std::wstring name, const std::string& path) {
    DWORD subKeyCount = 0, longestSubKey = 0, valueCount = 0, longestValueName = 0, longestData = 0;
    LSTATUS status = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeyCount, &longestSubKey, nullptr,
                                      &valueCount, &longestValueName, &longestData, nullptr, nullptr);
    if (status != ERROR_SUCCESS) {
        throwRegistryError(takeFunction, status, "query key (" + path + ") error");
    }
    Key result;
    result.name = std::move(name);
    for (DWORD index = 0; index < valueCount; ++index) {
        Value value;
        std::wstring valueName(longestValueName + 1, L'\0');
        DWORD nameLength = longestValueName + 1;
        value.data.resize(longestData);
        DWORD dataLength = longestData;
        status = RegEnumValueW(key, index, valueName.data(), &nameLength, nullptr, &value.type,
                               value.data.data(), &dataLength);
        if (status != ERROR_SUCCESS) {
            throwRegistryError(takeFunction, status, "enumerate values (" + path + ") error");
        }
        value.name = valueName.substr(0, nameLength);
        value.data.resize(dataLength);
        result.values.push_back(std::move(value));
    }
    for (DWORD index = 0; index < subKeyCount; ++index) {
        std::wstring childName(longestSubKey + 1, L'\0');
        DWORD nameLength = longestSubKey + 1;
        status = RegEnumKeyExW(key, index, childName.data(), &nameLength, nullptr, nullptr, nullptr, nullptr);
        if (status != ERROR_SUCCESS) {
            throwRegistryError(takeFunction, status, "enumerate sub-keys (" + path + ") error");
        }
        childName.resize(nameLength);
        const std::string child = childPath(path, childName);
        HKEY opened = nullptr;
        status = RegOpenKeyExW(key, childName.c_str(), 0, KEY_READ | view, &opened);
        if (status != ERROR_SUCCESS) {
            throwRegistryError(takeFunction, status, "open key (" + child + ") error");
        }
        const AutoRegKey childKey(opened);
        result.subKeys.push_back(read(childKey.get(), view, childName, child));
    }
    return result;
}

void RegistrySnapshot::restore(const Registry& root) const { write(root.handle(), root.view(), key_, path_); }

void RegistrySnapshot::write(HKEY parent, REGSAM view, const Key& key, const std::string& path) {
    HKEY created = nullptr;
    LSTATUS status = RegCreateKeyExW(parent, key.name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_READ | KEY_WRITE | view, nullptr, &created, nullptr);
    if (status != ERROR_SUCCESS) {
        throwRegistryError(restoreFunction, status, "create key (" + path + ") error");
    }
    const AutoRegKey opened(created);
    for (const Value& value : key.values) {
        status = RegSetValueExW(opened.get(), value.name.c_str(), 0, value.type, value.data.data(),
                                static_cast<DWORD>(value.data.size()));
        if (status != ERROR_SUCCESS) {
            throwRegistryError(restoreFunction, status,
                               "set value (" + path + "\\" + tstrings::toUtf8(value.name) + ") error");
        }
    }
    for (const Key& child : key.subKeys) {
        write(opened.get(), view, child, childPath(path, child.name));
    }
}

std::size_t RegistrySnapshot::valueCount() const { return countValues(key_); }

std::size_t RegistrySnapshot::countValues(const Key& key) {
    std::size_t count = key.values.size();
    for (const Key& child : key.subKeys) {
        count += countValues(child);
    }
    return count;
}

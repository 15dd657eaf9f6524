// A registry key kept in memory and written back: names and data of every type come back
// exactly, in the view they were taken from, and what was added since stays.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Registry.h"
#include "platform/RegistrySnapshot.h"
#include "support/RegistryArea.h"

namespace {

void setValue(HKEY root, REGSAM view, const std::wstring& key, const std::wstring& name, DWORD type,
              const std::vector<BYTE>& data) {
    HKEY opened = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, &opened, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(opened, name.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
    RegCloseKey(opened);
}

std::vector<BYTE> getValue(HKEY root, REGSAM view, const std::wstring& key, const std::wstring& name, DWORD& type) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE | view, &opened) != ERROR_SUCCESS) {
        return {};
    }
    std::vector<BYTE> data(256);
    DWORD size = static_cast<DWORD>(data.size());
    const LSTATUS status = RegQueryValueExW(opened, name.c_str(), nullptr, &type, data.data(), &size);
    RegCloseKey(opened);
    data.resize(status == ERROR_SUCCESS ? size : 0);
    return data;
}

std::vector<BYTE> bytesOf(const std::wstring& text) {
    const BYTE* begin = reinterpret_cast<const BYTE*>(text.c_str());
    return {begin, begin + (text.size() + 1) * sizeof(wchar_t)};
}

TEST(RegistrySnapshot, WritesBackWhatWasThereInItsView) {
    const testsupport::RegistryArea area(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY);
    const std::wstring key = std::wstring(area.subKey().begin(), area.subKey().end()) + L"\\1.8.0_321";
    struct Value {
        std::wstring key;
        std::wstring name;
        DWORD type;
        std::vector<BYTE> data;
    };
    const std::vector<Value> values = {
        {key, L"VeskHome", REG_SZ, bytesOf(L"C:\\\x0416\x0443\x0440\\vre")},
        {key, L"\x65E5\x672C", REG_EXPAND_SZ, bytesOf(L"%ProgramFiles%\\Vesk")},
        {key, L"Eula", REG_DWORD, {1, 0, 0, 0}},
        {key, L"", REG_BINARY, {0, 1, 2, 255}},
        {key + L"\\MSI", L"MODE", REG_SZ, bytesOf(L"S")},
        {key + L"\\MSI\\Deep", L"Empty", REG_SZ, {}},
    };
    for (const Value& value : values) {
        setValue(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, value.key, value.name, value.type, value.data);
    }
    const std::string subKey = area.path("1.8.0_321");
    const std::optional<RegistrySnapshot> snapshot = RegistrySnapshot::take(Registry::HKLM64, subKey);
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(snapshot->valueCount(), values.size());
    EXPECT_EQ(snapshot->path(), Registry::HKLM64.path() + "\\" + subKey);
    ASSERT_EQ(Registry::HKLM64.deleteKeyTree(subKey), ERROR_SUCCESS);
    setValue(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, key, L"Added", REG_SZ, bytesOf(L"later"));

    snapshot->restore(Registry::HKLM64);

    for (const Value& value : values) {
        DWORD type = REG_NONE;
        EXPECT_EQ(getValue(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, value.key, value.name, type), value.data);
        EXPECT_EQ(type, value.type);
    }
    DWORD type = REG_NONE;
    EXPECT_EQ(getValue(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, key, L"Added", type), bytesOf(L"later"));
    // Nothing went to the other view.
    EXPECT_TRUE(getValue(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, key, L"VeskHome", type).empty());
}

TEST(RegistrySnapshot, MissingKeyGivesNothing) {
    const testsupport::RegistryArea area(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY);
    EXPECT_FALSE(RegistrySnapshot::take(Registry::HKLM64, area.path("absent")));
}

}  // namespace

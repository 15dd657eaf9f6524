#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "diag/SysError.h"
#include "diag/tstrings.h"
#include "support/LogCapture.h"
#include "support/RegistryArea.h"

namespace {

using testsupport::messagesOf;
using testsupport::recordsOf;
using testsupport::RegistryArea;

// Writes raw value data below HKCU, bypassing the class under test.
void writeRaw(const std::string& subKey, const std::string& name, DWORD type, const std::string& bytes) {
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_CURRENT_USER, subKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                             static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

// The raw data and type of a value below HKCU; empty type when it is missing.
std::pair<DWORD, std::string> readRaw(const std::string& subKey, const std::string& name) {
    char data[4096];
    DWORD size = sizeof data;
    DWORD type = 0;
    if (RegGetValueA(HKEY_CURRENT_USER, subKey.c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type, data,
                     &size) != ERROR_SUCCESS) {
        return {0, ""};
    }
    return {type, std::string(data, size)};
}

// Expects `call` to throw a SysError for `code` whose text holds `located`.
template <class Call>
void expectSysError(Call call, DWORD code, const std::string& located) {
    try {
        call();
        ADD_FAILURE() << "no exception, expected " << located;
    } catch (const SysError& error) {
        EXPECT_EQ(error.code(), code);
        EXPECT_NE(std::string(error.what()).find(located + ". System error [" + std::to_string(code) + "]"),
                  std::string::npos)
            << error.what();
    }
}

TEST(RegistryTest, RootObjectsOnSixtyFourBitWindows) {
    struct Root {
        const Registry& object;
        HKEY key;
        REGSAM view;
        const char* name;
    };
    const Root roots[] = {
        {Registry::HKLM, HKEY_LOCAL_MACHINE, 0, "HKLM"},
        {Registry::HKLM32, HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, "HKLM32"},
        {Registry::HKLM64, HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, "HKLM64"},
        {Registry::HKCU32, HKEY_CURRENT_USER, KEY_WOW64_32KEY, "HKCU32"},
        {Registry::HKCU64, HKEY_CURRENT_USER, KEY_WOW64_64KEY, "HKCU64"},
        {Registry::HKCR, HKEY_CLASSES_ROOT, 0, "HKC"},
    };
    for (const Root& root : roots) {
        EXPECT_EQ(root.object.handle(), root.key) << root.name;
        EXPECT_EQ(root.object.view(), root.view) << root.name;
        EXPECT_EQ(root.object.path(), root.name);
    }
}

TEST(RegistryTest, ValueNameWithPathCreatesTheKeysOnTheWay) {
    RegistryArea area;
    const auto records = recordsOf([&] { Registry::HKCU64.setString(area.path("A\\B/Name"), "value"); });
    EXPECT_EQ(readRaw(area.path("A\\B"), "Name"), std::make_pair(DWORD{REG_SZ}, std::string("value", 6)));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].level, "TRACE");
    EXPECT_EQ(records[0].function, "Registry::setString");
    EXPECT_EQ(records[0].message, "Set [HKCU64\\" + area.path("A\\B\\Name") + "]=REG_SZ[value]");

    EXPECT_TRUE(Registry::HKCU64.hasSubkey(area.path("A\\B")));
    DWORD type = 0;
    EXPECT_TRUE(Registry::HKCU64.hasValue(area.path("A\\B\\Name"), &type));
    EXPECT_EQ(type, DWORD{REG_SZ});
    EXPECT_EQ(Registry::HKCU64.getString(area.path("A\\B\\Name")), "value");
    EXPECT_FALSE(Registry::HKCU64.hasValue(area.path("A\\B\\Other")));
    EXPECT_FALSE(Registry::HKCU64.hasValue(area.path("A\\Missing\\Name")));
}

TEST(RegistryTest, StringsDropExactlyOneTerminator) {
    struct Case {
        DWORD type;
        std::string stored;
        std::string read;
    };
    const Case cases[] = {
        {REG_SZ, std::string("plain"), "plain"},
        {REG_SZ, std::string("one\0", 4), "one"},
        {REG_SZ, std::string("two\0\0", 5), std::string("two\0", 4)},
        {REG_SZ, std::string(), ""},
        {REG_EXPAND_SZ, std::string("%SystemRoot%\\vesk\0", 18), "%SystemRoot%\\vesk"},
    };
    RegistryArea area;
    const Registry key(Registry::HKCU64, area.subKey(), Registry::Read);
    for (const Case& c : cases) {
        writeRaw(area.subKey(), "Value", c.type, c.stored);
        EXPECT_EQ(key.getString("Value"), c.read) << c.stored.size();
    }
}

TEST(RegistryTest, OtherTypesAreNoStrings) {
    RegistryArea area;
    writeRaw(area.subKey(), "Number", REG_DWORD, std::string("\x07\0\0\0", 4));
    try {
        Registry::HKCU64.getString(area.path("Number"));
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what())
                      .find("at Registry::getString(): query string value (HKCU64\\" + area.path("Number") +
                            ") error: wrong type"),
                  std::string::npos)
            << error.what();
    }
    // The default stands for anything that cannot be read as a string.
    for (const char* name : {"Number", "Missing", "MissingKey\\Value"}) {
        EXPECT_EQ(Registry::HKCU64.getString(area.path(name), "fallback"), "fallback") << name;
    }
}

TEST(RegistryTest, RawValuesOfAnySize) {
    RegistryArea area;
    const Registry key(Registry::HKCU64, area.subKey(), Registry::Read);
    writeRaw(area.subKey(), "Empty", REG_BINARY, "");
    DWORD type = 0;
    EXPECT_TRUE(key.getValue("Empty", type).empty());
    EXPECT_EQ(type, DWORD{REG_BINARY});

    std::string big(10000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<char>(i * 7);
    }
    writeRaw(area.subKey(), "Big", REG_BINARY, big);
    const std::vector<BYTE> data = key.getValue("Big", type);
    EXPECT_EQ(std::string(data.begin(), data.end()), big);

    expectSysError([&] { key.getValue("Missing", type); }, ERROR_FILE_NOT_FOUND,
                   "at Registry::getValue(): query value (HKCU64\\" + area.path("Missing") + ") error");
}

TEST(RegistryTest, WritesAndTheirLogLines) {
    RegistryArea area;
    const Registry key(Registry::HKCU64, area.subKey(), Registry::Write);
    const std::string path = "HKCU64\\" + area.subKey();
    const auto records = recordsOf([&] {
        key.setDword("Number", 0xFFFFFFFF);
        key.setExpandString("Expand", "%TEMP%\\vesk");
        key.setString("", "default");
    });
    EXPECT_EQ(messagesOf(records), (std::vector<std::string>{
                                       "Set [" + path + "\\Number]=REG_DWORD[4294967295]",
                                       "Set [" + path + "\\Expand]=REG_EXPAND_SZ[%TEMP%\\vesk]",
                                       "Set [" + path + "\\]=REG_SZ[default]",
                                   }));
    EXPECT_EQ(readRaw(area.subKey(), "Number"),
              std::make_pair(DWORD{REG_DWORD}, std::string("\xff\xff\xff\xff")));
    EXPECT_EQ(readRaw(area.subKey(), "Expand"),
              std::make_pair(DWORD{REG_EXPAND_SZ}, std::string("%TEMP%\\vesk\0", 12)));
    EXPECT_EQ(key.getString(""), "default");
}

TEST(RegistryTest, LongStringsAreCutInTheLog) {
    RegistryArea area;
    const Registry key(Registry::HKCU64, area.subKey(), Registry::Write);
    const std::string path = "HKCU64\\" + area.path("Long");
    for (const std::size_t length : {std::size_t{1024}, std::size_t{1025}, std::size_t{2000}}) {
        std::string value;
        for (std::size_t i = 0; i < length; ++i) {
            value += static_cast<char>('a' + i % 26);
        }
        const auto records = recordsOf([&] { key.setString("Long", value); });
        const std::string logged =
            length <= 1024 ? "[" + value + "]"
                           : "[" + value.substr(0, 1024) + "...]; length=" + std::to_string(length);
        EXPECT_EQ(messagesOf(records), std::vector<std::string>{"Set [" + path + "]=REG_SZ" + logged});
        EXPECT_EQ(key.getString("Long"), value);
    }
}

TEST(RegistryTest, MissingKeysThrowWhereTheyAreOpened) {
    RegistryArea area;
    const std::string located = "at Registry::open(): open key (HKCU64\\" + area.path("Missing") + ") error";
    expectSysError([&] { Registry(Registry::HKCU64, area.path("Missing"), Registry::Read); },
                   ERROR_FILE_NOT_FOUND, located);
    expectSysError([&] { Registry::HKCU64.getString(area.path("Missing\\Name")); }, ERROR_FILE_NOT_FOUND,
                   located);
    EXPECT_FALSE(Registry::HKCU64.hasSubkey(area.path("Missing")));
}

TEST(RegistryTest, DeletingValues) {
    RegistryArea area;
    Registry::HKCU64.setString(area.path("Key\\Name"), "x");
    const std::string path = "HKCU64\\" + area.path("Key\\Name");
    const auto records = recordsOf([&] {
        EXPECT_EQ(Registry::HKCU64.deleteValue(area.path("Key\\Name")), ERROR_SUCCESS);
        EXPECT_EQ(Registry::HKCU64.deleteValue(area.path("Key\\Name")), ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(Registry::HKCU64.deleteValue(area.path("Missing\\Name")), ERROR_FILE_NOT_FOUND);
    });
    EXPECT_EQ(messagesOf(records), std::vector<std::string>{"Deleted [" + path + "] value"});
    EXPECT_FALSE(Registry::HKCU64.hasSubkey(area.path("Missing")));
}

TEST(RegistryTest, DeletingKeys) {
    RegistryArea area;
    const Registry key(Registry::HKCU64, area.subKey(), Registry::Write);
    const std::string path = "HKCU64\\" + area.subKey();
    key.setString("Tree\\Name", "x");
    key.setDword("Tree\\Child\\Grandchild\\Number", 1);
    key.setString("Leaf\\Name", "x");

    // A key with sub-keys stays.
    EXPECT_NE(key.deleteSubkey("Tree"), ERROR_SUCCESS);
    EXPECT_TRUE(key.hasSubkey("Tree\\Child"));

    const auto records = recordsOf([&] {
        EXPECT_EQ(key.deleteSubkey("Leaf"), ERROR_SUCCESS);
        EXPECT_EQ(key.deleteKeyTree("Tree"), ERROR_SUCCESS);
        EXPECT_EQ(key.deleteKeyTree("Tree"), ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(key.deleteSubkey("Tree"), ERROR_FILE_NOT_FOUND);
        EXPECT_NO_THROW(key.deleteKeyTree("Tree", Registry::throwing));
    });
    EXPECT_EQ(messagesOf(records), (std::vector<std::string>{
                                       "Deleted [" + path + "\\Leaf] key",
                                       "Deleted all child elements of [" + path + "\\Tree] key",
                                       "Deleted [" + path + "\\Tree] key",
                                   }));
    EXPECT_FALSE(key.hasSubkey("Leaf"));
    EXPECT_FALSE(key.hasSubkey("Tree"));
}

TEST(RegistryTest, DeletionNeverAddressesTheKeyItself) {
    RegistryArea area;
    const Registry key(Registry::HKCU64, area.subKey(), Registry::Write);
    key.setString("Name", "x");
    // An empty name must not delete or empty this key.
    EXPECT_EQ(key.deleteKeyTree(""), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(key.deleteSubkey(""), ERROR_INVALID_PARAMETER);
    expectSysError([&] { key.deleteKeyTree("", Registry::throwing); }, ERROR_INVALID_PARAMETER,
                   "at Registry::deleteKeyTree(): delete key tree (HKCU64\\" + area.subKey() + "\\) error");
    EXPECT_EQ(key.getString("Name"), "x");
}

// Names are in the ANSI code page, as getSubkeyNames gives them: a name outside ASCII
// that it returned is deleted whole, never emptied and left behind.
TEST(RegistryTest, DeletesKeysNamedOutsideAscii) {
    const std::wstring wide = L"caf\u00e9";
    char narrow[16] = {};
    BOOL lossy = FALSE;
    const int length =
        WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, narrow, sizeof narrow, nullptr, &lossy);
    if (length == 0 || lossy) {
        GTEST_SKIP() << "the ANSI code page " << GetACP() << " has no e with acute accent";
    }
    const std::string name = narrow;
    RegistryArea area;
    const Registry key(Registry::HKCU64, area.subKey(), Registry::Write);
    Registry(key, name + "\\Leaf", Registry::Write).setString("Value", "x");
    Registry(key, name + "2", Registry::Write).setString("Value", "x");

    const std::vector<std::string> names = key.getSubkeyNames();
    ASSERT_EQ(names, (std::vector<std::string>{name, name + "2"}));
    EXPECT_EQ(key.deleteKeyTree(names[0]), ERROR_SUCCESS);
    EXPECT_EQ(key.deleteSubkey(names[1]), ERROR_SUCCESS);
    EXPECT_TRUE(key.getSubkeyNames().empty());
}

TEST(RegistryTest, Enumerations) {
    RegistryArea area;
    const Registry key(Registry::HKCU64, area.subKey(), Registry::Write);
    for (const char* name : {"gamma", "alpha", "beta"}) {
        key.setString(std::string(name) + "\\Value", name);
        key.setString(name, name);
    }
    std::vector<std::string> subkeys = key.getSubkeyNames();
    std::vector<std::string> values = key.getValueNames();
    std::sort(subkeys.begin(), subkeys.end());
    std::sort(values.begin(), values.end());
    const std::vector<std::string> expected{"alpha", "beta", "gamma"};
    EXPECT_EQ(subkeys, expected);
    EXPECT_EQ(values, expected);
    EXPECT_TRUE(Registry(key, "alpha", Registry::Read).getSubkeyNames().empty());
}

TEST(RegistryTest, EnumerationFailureNamesThePosition) {
    RegistryArea area;
    const Registry key(Registry::HKCU64, area.path("Doomed"), Registry::Write);
    key.setString("Name", "x");
    ASSERT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, area.path("Doomed").c_str()), ERROR_SUCCESS);
    const std::string path = "HKCU64\\" + area.path("Doomed");
    expectSysError([&] { key.getSubkeyNames(); }, ERROR_KEY_DELETED,
                   "at Registry::getSubkeyNames(): enum subkeys (" + path + "\\1) error");
    expectSysError([&] { key.getValueNames(); }, ERROR_KEY_DELETED,
                   "at Registry::getValueNames(): enum values (" + path + "\\1) error");
}

TEST(RegistryTest, ThirtyTwoAndSixtyFourBitViewsAreSeparate) {
    struct View {
        REGSAM bits;
        const Registry& writer;
        const Registry& other;
    };
    const View views[] = {
        {KEY_WOW64_32KEY, Registry::HKLM32, Registry::HKLM64},
        {KEY_WOW64_64KEY, Registry::HKLM64, Registry::HKLM32},
    };
    for (const View& view : views) {
        RegistryArea area(HKEY_LOCAL_MACHINE, view.bits);
        view.writer.setString(area.path("Written\\Name"), view.writer.path());
        EXPECT_EQ(view.writer.getString(area.path("Written\\Name")), view.writer.path());
        EXPECT_FALSE(view.other.hasSubkey(area.subKey())) << view.writer.path();
        EXPECT_EQ(view.other.getString(area.path("Written\\Name"), "none"), "none");
        EXPECT_EQ(view.other.deleteKeyTree(area.path("Written")), ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(view.writer.deleteKeyTree(area.path("Written")), ERROR_SUCCESS);
        EXPECT_FALSE(view.writer.hasSubkey(area.path("Written")));
    }
    // A 64-bit process sees the 64-bit view by default.
    RegistryArea area(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY);
    EXPECT_TRUE(Registry::HKLM.hasSubkey(area.subKey()));
}

TEST(RegistryTest, MovedKeysStayOpen) {
    RegistryArea area;
    Registry first(Registry::HKCU64, area.path("First"), Registry::Write);
    Registry moved = std::move(first);
    moved.setString("Name", "x");
    EXPECT_EQ(moved.path(), "HKCU64\\" + area.path("First"));
    moved = Registry(Registry::HKCU64, area.path("Second"), Registry::Write);
    moved.setString("Name", "y");
    EXPECT_EQ(Registry::HKCU64.getString(area.path("Second\\Name")), "y");
}

TEST(RegistryTest, TypeNames) {
    const char* const names[] = {"REG_NONE",
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
    for (DWORD type = 0; type < 12; ++type) {
        EXPECT_EQ(Registry::typeName(type), names[type]);
    }
    EXPECT_EQ(Registry::typeName(12), "Unknown");
    EXPECT_EQ(Registry::typeName(0xFFFFFFFF), "Unknown");
}

}  // namespace

namespace {

TEST(RegistryTest, WideStringsKeepCharactersOutsideTheCodePage) {
    const std::wstring text = L"C:\\\u00e9\u4e2d\\vre";
    RegistryArea area;
    const Registry key(Registry::HKCU64, area.subKey(), Registry::Read);
    Registry::HKCU64.setWideString(area.path("Plain"), text);
    Registry::HKCU64.setWideExpandString(area.path("Sub\\Expand"), text + L"\\%X%");
    for (const auto& [name, type, stored] :
         {std::tuple{"Plain", DWORD{REG_SZ}, text},
          std::tuple{"Sub\\Expand", DWORD{REG_EXPAND_SZ}, text + L"\\%X%"}}) {
        SCOPED_TRACE(name);
        wchar_t raw[256];
        DWORD size = sizeof raw;
        DWORD rawType = 0;
        const std::wstring wideSubKey = tstrings::toUtf16(area.path(name), CP_ACP);
        const std::wstring::size_type leaf = wideSubKey.find_last_of(L'\\');
        ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, wideSubKey.substr(0, leaf).c_str(),
                               wideSubKey.substr(leaf + 1).c_str(), RRF_RT_ANY | RRF_NOEXPAND, &rawType, raw,
                               &size),
                  ERROR_SUCCESS);
        EXPECT_EQ(rawType, type);
        EXPECT_EQ(std::wstring(raw), stored) << "written by the wide call";
        DWORD read = REG_NONE;
        EXPECT_EQ(key.getWideString(name, &read), stored);
        EXPECT_EQ(read, type);
    }
}

TEST(RegistryTest, WideReadsOfMissingAndOtherValuesThrow) {
    RegistryArea area;
    writeRaw(area.subKey(), "Number", REG_DWORD, std::string("\x07\0\0\0", 4));
    const Registry key(Registry::HKCU64, area.subKey(), Registry::Read);
    try {
        key.getWideString("Number");
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(
            std::string(error.what())
                .find("query string value (HKCU64\\" + area.path("Number") + ") error: wrong type REG_DWORD"),
            std::string::npos)
            << error.what();
    }
    expectSysError([&] { key.getWideString("Missing"); }, ERROR_FILE_NOT_FOUND,
                   "query value (HKCU64\\" + area.path("Missing") + ") error");
    EXPECT_EQ(key.getWideString("Number", L"fallback"), L"fallback");
    EXPECT_EQ(key.getWideString("Missing\\Value", L"fallback"), L"fallback");
}

TEST(RegistryTest, ModifyOpensOnlyExistingKeys) {
    RegistryArea area;
    expectSysError([&] { Registry(Registry::HKCU64, area.path("Absent"), Registry::Modify); },
                   ERROR_FILE_NOT_FOUND, "open key (HKCU64\\" + area.path("Absent") + ") error");
    EXPECT_FALSE(Registry::HKCU64.hasSubkey(area.path("Absent")));
    const Registry key(Registry::HKCU64, area.subKey(), Registry::Modify);
    key.setString("Written", "yes");
    EXPECT_EQ(key.getString("Written"), "yes");
}

}  // namespace

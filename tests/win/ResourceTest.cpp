#include "win/Resource.h"

#include <gtest/gtest.h>

#include <string>

#include "diag/SysError.h"
#include "diag/VdsError.h"

namespace {

struct StringCase {
    UINT id;
    std::wstring text;
};

// Ids at both ends of a block, a text outside ASCII, an id missing inside an existing
// block (read as empty) and the first id of the next block.
const StringCase stringCases[] = {
    {96, L"first of block"}, {97, L"Gr\u00fc\u00dfe"}, {98, L""},
    {99, L"after the gap"},  {111, L"last of block"},  {112, L"first of the next block"},
};

TEST(ResourceTest, StringEntriesGiveTheirCharactersAndByteSize) {
    for (const StringCase& entry : stringCases) {
        std::size_t size = 12345;
        const auto* characters = static_cast<const wchar_t*>(Resource(entry.id, nullptr).getPtr(size));
        ASSERT_NE(characters, nullptr) << entry.id;
        EXPECT_EQ(size, entry.text.size() * sizeof(wchar_t)) << entry.id;
        EXPECT_EQ(std::wstring(characters, size / sizeof(wchar_t)), entry.text) << entry.id;
    }
}

TEST(ResourceTest, StringReaderGivesAnsiText) {
    for (const StringCase& entry : stringCases) {
        char expected[256] = {};
        WideCharToMultiByte(CP_ACP, 0, entry.text.c_str(), static_cast<int>(entry.text.size()), expected,
                            sizeof expected - 1, nullptr, nullptr);
        EXPECT_EQ(Resource(entry.id, nullptr).getString(), std::string(expected)) << entry.id;
    }
    // The program's own loader agrees.
    char loaded[256] = {};
    ASSERT_GT(LoadStringA(nullptr, 111, loaded, sizeof loaded), 0);
    EXPECT_EQ(Resource(111, nullptr).getString(), loaded);
}

TEST(ResourceTest, OtherTypesGiveTheWholeData) {
    std::size_t size = 0;
    const auto* data =
        static_cast<const char*>(Resource(300, GetModuleHandleA(nullptr), RT_RCDATA).getPtr(size));
    // The text without terminator, then the 32-bit number in little-endian order.
    const std::string expected = std::string("payload bytes") + std::string("\x02\x01\0\0", 4);
    ASSERT_EQ(size, expected.size());
    EXPECT_EQ(std::string(data, size), expected);
}

struct MissingCase {
    UINT id;
    LPCSTR type;
    std::string text;
};

TEST(ResourceTest, MissingResourcesNameWhatWasLookedFor) {
    const MissingCase cases[] = {
        {5000, RT_STRING, "cannot find resource (name='#5000', type='#6')"},
        {301, RT_RCDATA, "cannot find resource (name='#301', type='#10')"},
    };
    for (const MissingCase& missing : cases) {
        try {
            std::size_t size = 0;
            Resource(missing.id, nullptr, missing.type).getPtr(size);
            ADD_FAILURE() << missing.text << ": no exception";
        } catch (const VdsError<SysError>& error) {
            const std::string what = error.what();
            EXPECT_NE(what.find("Resource::getPtr(): " + missing.text), std::string::npos) << what;
            EXPECT_TRUE(error.code() == ERROR_RESOURCE_NAME_NOT_FOUND ||
                        error.code() == ERROR_RESOURCE_TYPE_NOT_FOUND)
                << error.code();
            EXPECT_NE(what.find("System error [" + std::to_string(error.code()) + "]"), std::string::npos)
                << what;
        }
    }
}

TEST(ResourceTest, ReadsAnotherLoadedModule) {
    // The system's own libraries carry string tables too; compare with its loader.
    HMODULE user32 = GetModuleHandleA("user32.dll");
    ASSERT_NE(user32, nullptr);
    for (UINT id = 0; id < 4096; ++id) {
        wchar_t* text = nullptr;
        const int length = LoadStringW(user32, id, reinterpret_cast<LPWSTR>(&text), 0);
        if (length > 0) {
            std::size_t size = 0;
            const auto* characters = static_cast<const wchar_t*>(Resource(id, user32).getPtr(size));
            EXPECT_EQ(std::wstring(characters, size / sizeof(wchar_t)), std::wstring(text, length)) << id;
            return;
        }
    }
    GTEST_SKIP() << "user32.dll of this system has no string table entry below 4096";
}

}  // namespace

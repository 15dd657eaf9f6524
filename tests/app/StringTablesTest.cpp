// The string tables of installer.exe, read from the program file itself. Run once per
// user-interface language (LC_ALL selects it under Wine) with that language's LANGID as
// the second argument.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "diag/tstrings.h"
#include "support/Digest.h"
#include "win/Resource.h"

// Shared with the other resource checks of this program.
std::string installerPath;

namespace {

LANGID expectedLanguage = 0;

const std::set<LANGID> kLanguages = {7, 10, 12, 16, 29, 1028, 1033, 1041, 1042, 1046, 2052};
const UINT kBlocks[] = {64, 65, 128, 129, 193, 194, 251};
constexpr UINT kDigestId = 4008;
constexpr UINT kAbsentId = 3085;

std::vector<UINT> textIds() {
    std::vector<UINT> ids;
    for (UINT id = 1018; id <= 1037; ++id) ids.push_back(id);
    for (UINT id = 2047; id <= 2050; ++id) ids.push_back(id);
    for (UINT id = 3073; id <= 3089; ++id) {
        if (id != kAbsentId) ids.push_back(id);
    }
    return ids;
}

HMODULE installer() {
    static const HMODULE module = [] {
        HMODULE loaded = LoadLibraryExA(installerPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        if (loaded == nullptr) {
            throw std::runtime_error("LoadLibraryExA(" + installerPath + ") failed with error " +
                                     std::to_string(GetLastError()));
        }
        return loaded;
    }();
    return module;
}

BOOL CALLBACK collectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR found) {
    reinterpret_cast<std::set<LANGID>*>(found)->insert(language);
    return TRUE;
}

// Every entry of one language's block, by id; absent entries are left out.
std::map<UINT, std::wstring> readBlock(UINT block, LANGID language) {
    std::map<UINT, std::wstring> entries;
    HRSRC info = FindResourceExW(installer(), MAKEINTRESOURCEW(6), MAKEINTRESOURCEW(block), language);
    if (info == nullptr) return entries;
    const auto* data = static_cast<const WCHAR*>(LockResource(LoadResource(installer(), info)));
    const std::size_t length = SizeofResource(installer(), info) / sizeof(WCHAR);
    std::size_t position = 0;
    for (UINT index = 0; index < 16 && position < length; ++index) {
        const std::size_t count = data[position];
        if (count != 0) entries[(block - 1) * 16 + index] = std::wstring(data + position + 1, count);
        position += 1 + count;
    }
    return entries;
}

std::map<UINT, std::wstring> languageTexts(LANGID language) {
    std::map<UINT, std::wstring> texts;
    for (UINT block : kBlocks) texts.merge(readBlock(block, language));
    return texts;
}

bool isLowerHex(const std::string& text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

TEST(StringTablesTest, EveryBlockHasExactlyTheElevenLanguages) {
    for (UINT block : kBlocks) {
        std::set<LANGID> found;
        ASSERT_TRUE(EnumResourceLanguagesW(installer(), MAKEINTRESOURCEW(6), MAKEINTRESOURCEW(block),
                                           &collectLanguage, reinterpret_cast<LONG_PTR>(&found)))
            << "block " << block << ", error " << GetLastError();
        EXPECT_EQ(found, kLanguages) << "block " << block;
    }
}

TEST(StringTablesTest, EveryLanguageHasEveryTextAndItsDigest) {
    const std::vector<UINT> ids = textIds();
    for (LANGID language : kLanguages) {
        SCOPED_TRACE("language " + std::to_string(language));
        std::map<UINT, std::wstring> texts = languageTexts(language);
        EXPECT_EQ(texts.count(kAbsentId), 0u);
        std::string joined;
        for (UINT id : ids) {
            ASSERT_TRUE(texts.count(id)) << "string " << id << " is missing";
            joined += tstrings::toUtf8(texts[id]);
        }
        ASSERT_TRUE(texts.count(kDigestId));
        EXPECT_EQ(tstrings::toUtf8(texts[kDigestId]), testsupport::sha1Hex(joined));
        EXPECT_EQ(texts.size(), ids.size() + 1) << "unexpected ids in the table";
    }
}

TEST(StringTablesTest, EnglishTextsAsTheProgramLoadsThem) {
    const std::map<UINT, std::wstring> english = languageTexts(1033);
    const std::string digest = tstrings::toUtf8(english.at(kDigestId));
    EXPECT_EQ(digest.size(), 40u);
    EXPECT_TRUE(isLowerHex(digest)) << digest;
    EXPECT_EQ(english.at(1019), L"README.html");
    EXPECT_EQ(english.at(1020).find(L"Access Bridge") != std::wstring::npos, true);
}

// In the run's user-interface language the program's loaders give that language's texts,
// in the ANSI code page, with nothing lost to '?'.
TEST(StringTablesTest, TheUserInterfaceLanguageIsLoaded) {
    if (expectedLanguage == 0) GTEST_SKIP() << "no user-interface language named for this run";
    const std::map<UINT, std::wstring> expected = languageTexts(expectedLanguage);
    const std::map<UINT, std::wstring> english = languageTexts(1033);
    for (UINT id : textIds()) {
        const std::wstring& wide = expected.at(id);
        const std::string viaResource = Resource(id, installer()).getString();
        EXPECT_EQ(viaResource, tstrings::toAnsi(wide)) << id;
        char loaded[1024] = {};
        LoadStringA(installer(), id, loaded, sizeof loaded);
        EXPECT_EQ(std::string(loaded), viaResource) << id;
        EXPECT_EQ(std::count(viaResource.begin(), viaResource.end(), '?'),
                  std::count(wide.begin(), wide.end(), L'?'))
            << id << ": characters lost in code page " << GetACP();
    }
    // The language really is the one asked for (its texts differ from English).
    EXPECT_TRUE(expectedLanguage == 1033 || expected.at(3073) != english.at(3073));
    const std::string digest = Resource(kDigestId, installer()).getString();
    EXPECT_EQ(digest, tstrings::toUtf8(expected.at(kDigestId)));
    EXPECT_EQ(Resource(1019, installer()).getString(), tstrings::toAnsi(expected.at(1019)));
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s installer.exe [expected LANGID]\n", argv[0]);
        return 2;
    }
    installerPath = argv[1];
    if (argc == 3) expectedLanguage = static_cast<LANGID>(std::atoi(argv[2]));
    return RUN_ALL_TESTS();
}

#include "diag/tstrings.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

TEST(tstringsTest, FormatOfEveryLengthAroundTheGrowthStep) {
    for (const std::size_t length : {0u, 1u, 255u, 256u, 257u, 511u, 512u, 1000u, 70000u}) {
        const std::string filler(length, 'x');
        const std::string formatted = tstrings::unsafe_format("<%s|%d>", filler.c_str(), 42);
        EXPECT_EQ(formatted, "<" + filler + "|42>") << "length " << length;
    }
    EXPECT_EQ(tstrings::unsafe_format("%llu %lld %lu", ULLONG_MAX, LLONG_MIN, 4294967295ul),
              "18446744073709551615 -9223372036854775808 4294967295");
}

TEST(tstringsTest, NullFormatIsRejected) {
    const char* const noFormat = nullptr;
    try {
        tstrings::unsafe_format(noFormat);
        FAIL() << "no exception";
    } catch (const std::invalid_argument& error) {
        const std::string text = error.what();
        EXPECT_EQ(text.substr(0, 13), "tstrings.cpp(");
        EXPECT_NE(text.find(") at tstrings::unsafe_format(): Destination buffer can't be NULL"),
                  std::string::npos)
            << text;
    }
}

TEST(tstringsTest, Utf8AndUtf16) {
    const std::wstring wide = L"Gr\u00fc\u00dfe \u20ac \U0001F600";
    const std::string utf8 =
        "Gr\xc3\xbc\xc3\x9f"
        "e \xe2\x82\xac \xf0\x9f\x98\x80";
    EXPECT_EQ(tstrings::toUtf8(wide), utf8);
    EXPECT_EQ(tstrings::toUtf16(utf8, CP_UTF8), wide);
    EXPECT_EQ(tstrings::toUtf8(L""), "");
    EXPECT_EQ(tstrings::toUtf16("", CP_UTF8), L"");
    // Invalid UTF-8 gives nothing rather than a guess.
    EXPECT_EQ(tstrings::toUtf16("ok \xff\xfe", CP_UTF8), L"");
    EXPECT_EQ(tstrings::toUtf16(std::string("a\0b", 3), CP_UTF8), std::wstring(L"a\0b", 3));
}

TEST(tstringsTest, AnsiConversions) {
    if (GetACP() != 1252) {
        GTEST_SKIP() << "the expected bytes are those of code page 1252; this system uses " << GetACP();
    }
    EXPECT_EQ(tstrings::toAnsi(L"Gr\u00fc\u00dfe \u20ac"),
              "Gr\xfc\xdf"
              "e \x80");
    EXPECT_EQ(tstrings::utf8ToAnsi("Gr\xc3\xbc\xc3\x9f"
                                   "e \xe2\x82\xac"),
              "Gr\xfc\xdf"
              "e \x80");
    EXPECT_EQ(tstrings::toUtf16("Gr\xfc\xdf"
                                "e",
                                CP_ACP),
              L"Gr\u00fc\u00dfe");
    EXPECT_EQ(tstrings::toAnsi(L"\u4e2d"), "?");
}

TEST(tstringsTest, DecimalTexts) {
    EXPECT_EQ(tstrings::toDecimal(INT32_MIN), "-2147483648");
    EXPECT_EQ(tstrings::toDecimal(UINT32_MAX), "4294967295");
    EXPECT_EQ(tstrings::toDecimal(UINT64_MAX), "18446744073709551615");
    EXPECT_EQ(tstrings::toDecimal(static_cast<DWORD>(610017)), "610017");
}

TEST(tstringsTest, CaseAndTrim) {
    EXPECT_TRUE(tstrings::equalsIgnoreCase("ProductCode", "PRODUCTCODE"));
    EXPECT_TRUE(tstrings::equalsIgnoreCase("", ""));
    EXPECT_FALSE(tstrings::equalsIgnoreCase("ProductCode", "ProductCod"));
    EXPECT_FALSE(tstrings::equalsIgnoreCase("abc", "abd"));
    EXPECT_EQ(tstrings::toLower("MiXeD 123 \xC4"), "mixed 123 \xC4");

    struct TrimCase {
        std::string text;
        std::string characters;
        std::string both;
        std::string left;
        std::string right;
    };
    const std::vector<TrimCase> cases = {
        {"  a b \t\n", tstrings::whiteSpace, "a b", "a b \t\n", "  a b"},
        {"\\\\path\\\\", "\\/", "path", "path\\\\", "\\\\path"},
        {"xxx", "x", "", "", ""},
        {"", " ", "", "", ""},
        {"keep", "", "keep", "keep", "keep"},
    };
    for (const TrimCase& c : cases) {
        EXPECT_EQ(tstrings::trim(c.text, c.characters), c.both) << c.text;
        EXPECT_EQ(tstrings::trimLeft(c.text, c.characters), c.left) << c.text;
        EXPECT_EQ(tstrings::trimRight(c.text, c.characters), c.right) << c.text;
    }
}

}  // namespace

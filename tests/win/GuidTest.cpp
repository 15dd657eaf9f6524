#include "win/Guid.h"

#include <gtest/gtest.h>

#include <regex>
#include <stdexcept>
#include <string>

namespace {

const GUID known = {0x26A24AE4, 0x039D, 0x4CA4, {0x87, 0xB4, 0x2F, 0x64, 0x18, 0x03, 0x21, 0xF0}};

TEST(GuidTest, GeneratedValuesAreUniqueAndInRegistryForm) {
    const Guid first = Guid::generate();
    const Guid second = Guid::generate();
    EXPECT_FALSE(first == second);
    const std::regex registryForm(R"(\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\})");
    const std::string text = first.toString();
    EXPECT_TRUE(std::regex_match(text, registryForm)) << text;
    EXPECT_TRUE(Guid(std::wstring(text.begin(), text.end())) == first);
}

TEST(GuidTest, ToStringIsBracedUpperCase) {
    EXPECT_EQ(Guid(known).toString(), "{26A24AE4-039D-4CA4-87B4-2F64180321F0}");
    EXPECT_EQ(Guid().toString(), "{00000000-0000-0000-0000-000000000000}");
}

TEST(GuidTest, ParsesTheBracedDashedAndBareForms) {
    for (const wchar_t* text :
         {L"{26A24AE4-039D-4CA4-87B4-2F64180321F0}", L"{26a24ae4-039d-4ca4-87b4-2f64180321f0}",
          L"26A24AE4-039D-4CA4-87B4-2F64180321F0", L"26A24AE4039D4CA487B42F64180321F0",
          L"{26A24AE4039D4CA487B42F64180321F0}", L"26a24ae4039d4ca487b42f64180321f0"}) {
        try {
            EXPECT_TRUE(Guid(std::wstring(text)) == Guid(known)) << std::wstring(text).size();
        } catch (const std::exception& error) {
            ADD_FAILURE() << error.what();
        }
    }
}

TEST(GuidTest, MalformedTextsFailWithTheirText) {
    struct Case {
        std::wstring text;
        std::string reported;
    };
    const Case cases[] = {
        {L"26A24AE4039D4CA487B42F64180321F", "26A24AE4039D4CA487B42F64180321F"},
        {L"", ""},
        {L"{26A24AE4-039D-4CA4-87B4-2F64180321F0", "{26A24AE4-039D-4CA4-87B4-2F64180321F0"},
        {L"{26A24AE4-039D-4CA4-87B4-2F64180321FZ}", "{26A24AE4-039D-4CA4-87B4-2F64180321FZ}"},
        {L"26A24AE4039D4CA487B42F64180321F0AB", "26A24AE4039D4CA487B42F64180321F0AB"},
    };
    for (const Case& c : cases) {
        try {
            Guid guid(c.text);
            ADD_FAILURE() << "parsed: " << c.reported << " as " << guid.toString();
        } catch (const std::runtime_error& error) {
            const std::string text = error.what();
            EXPECT_EQ(text.substr(0, 9), "Guid.cpp(");
            EXPECT_NE(text.find(") at initGuid(): IIDFromString(" + c.reported + ") failed"),
                      std::string::npos)
                << text;
        }
    }
}

}  // namespace

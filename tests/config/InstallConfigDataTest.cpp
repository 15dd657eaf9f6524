// The configuration object's keys, spellings and accessors.
#include "ConfigFixture.h"

#include "settings/Exception.h"

namespace configtest {
namespace {

using KeyAccessTest = ConfigTest;

TEST_F(KeyAccessTest, DefaultsWithoutArgumentsOrFiles) {
    int result = -1;
    const auto config = load(L"", result);
    ASSERT_EQ(result, 0);
    EXPECT_FALSE(config->IsKeyOn(BoolKey::INSTALL_SILENT));
    EXPECT_FALSE(config->IsEnabled(BoolKey::STATIC));
    EXPECT_FALSE(config->IsEnabled(BoolKey::EULA));
    EXPECT_TRUE(config->IsEnabled(BoolKey::AUTO_UPDATE));
    EXPECT_TRUE(config->IsEnabled(BoolKey::SPONSORS));
    EXPECT_TRUE(config->IsEnabled(BoolKey::WEB_ANALYTICS));
    EXPECT_FALSE(config->IsKeySet("INSTALLDIR"));
    EXPECT_FALSE(config->IsSilent());
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(KeyAccessTest, AbsentAndValuelessKeysRaiseTheLibraryCodes) {
    int result = -1;
    const auto config = load(L"/s", result);
    ASSERT_EQ(result, 0);
    EXPECT_TRUE(config->IsKeySet("/s"));
    EXPECT_TRUE(config->IsSilent());
    try {
        config->GetString(StringKey::INSTALLDIR);
        FAIL() << "no exception";
    } catch (const settings::Exception& error) {
        EXPECT_EQ(error.code(), 303);
    }
    try {
        config->GetInt(IntKey::TEST_CONFIG_FILE_ERRORS);
        FAIL() << "no exception";
    } catch (const settings::Exception& error) {
        EXPECT_EQ(error.code(), 303);
    }
}

// Key spelling is free, value spelling is exact.
TEST_F(KeyAccessTest, SpellingsOfKeysAndValues) {
    struct Case {
        const wchar_t* argument;
        int result;
    };
    const Case cases[] = {
        {L"install_silent=Enable", 0},
        {L"INSTALL_SILENT=enable", 313},
        {L"EULA:1", 0},
        {L"WEB_VESK_SECURITY_LEVEL=VH", 0},
        {L"WEB_VESK_SECURITY_LEVEL=5", 313},
        {L"/lang=0x10", 0},
        {L"/lang=ten", 313},
        {L"-download", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::string(c.argument, c.argument + wcslen(c.argument)));
        int result = -1;
        load(c.argument, result);
        EXPECT_EQ(result, c.result);
    }
    int result = -1;
    auto config = load(L"install_silent=Enable WEB_VESK_SECURITY_LEVEL=VH /lang=0x10", result);
    ASSERT_EQ(result, 0);
    EXPECT_TRUE(config->IsKeyOn(BoolKey::INSTALL_SILENT));
    EXPECT_TRUE(config->IsSilent());
    EXPECT_EQ(config->GetInt(IntKey::WEB_VESK_SECURITY_LEVEL), 4);
    EXPECT_EQ(config->GetInt(IntKey::LANG), 16);
    config = load(L"-download", result);
    EXPECT_TRUE(config->IsSilent());
}

TEST_F(KeyAccessTest, EnterpriseFlagIsReported) {
    EXPECT_TRUE(makeConfig(true)->IsInstallerEnterprise());
    EXPECT_FALSE(makeConfig(false)->IsInstallerEnterprise());
}

// A value that the ANSI code page cannot spell reaches the configuration and CMDLINE
// byte for byte in UTF-8; only the ANSI read refuses it, naming the key.
TEST_F(KeyAccessTest, CharactersOutsideTheAnsiCodePage) {
    int result = -1;
    const auto config =
        load(L"INSTALLDIR=C:\\\x041F\x0440\x043E\x0433\x0440\x0430\x043C\x043C\x044B", result);
    ASSERT_EQ(result, 0);
    const std::string utf8 = "C:\\\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB3\xD1\x80\xD0\xB0\xD0\xBC\xD0\xBC\xD1\x8B";
    EXPECT_EQ(config->GetString(StringKey::INSTALLDIR), utf8);
    EXPECT_EQ(config->GetString(StringKey::CMDLINE), "INSTALLDIR=\"" + utf8 + "\"");
    if (GetACP() == CP_UTF8 || GetACP() == 1251 || GetACP() == 866) {
        GTEST_SKIP() << "code page " << GetACP() << " holds Cyrillic letters";
    }
    try {
        config->GetStringValue(StringKey::INSTALLDIR);
        FAIL() << "no exception";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("The value of INSTALLDIR"), std::string::npos)
            << error.what();
        EXPECT_NE(std::string(error.what()).find("cannot represent"), std::string::npos) << error.what();
    }
    int plain = -1;
    EXPECT_EQ(load(L"INSTALLDIR=C:\\Programme", plain)->GetStringValue(StringKey::INSTALLDIR),
              "C:\\Programme");
}

}  // namespace
}  // namespace configtest

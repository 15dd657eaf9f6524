#include <gtest/gtest.h>

#include <string>

#include "ParserHarness.h"
#include "settings/Serialization.h"

namespace {

using settings_impl::Config;
using settings_impl::Value;

TEST(Serialization, WritesKeysInByteOrderAsStored) {
    Config config;
    config.set("b", Value::untyped("x = y"));
    config.set("B", Value::integer(1, "Enable"));
    config.set("/s", std::nullopt);
    config.set("\xC3\xA9", Value::string(std::string("a\0b", 3)));
    EXPECT_EQ(settings_impl::serialization::toText(config),
              std::string("/s\nB=Enable\nb=x = y\n\xC3\xA9=a\0b\n", 27));
}

TEST(Serialization, AnEmptyConfigurationIsOneBlank) {
    EXPECT_EQ(settings_impl::serialization::toText(Config()), " ");
}

TEST(Serialization, TextReadsBackToTheSameEntries) {
    Config config;
    config.set("A", Value::untyped("b=c"));
    config.set("K", std::nullopt);
    const auto result =
        settingstest::parseText(settings_impl::serialization::toText(config), {.allowKeyOnly = true});
    ASSERT_TRUE(result.config);
    EXPECT_TRUE(*result.config == config);
}

}  // namespace

#include <gtest/gtest.h>

#include <string>

#include "settings/Config.h"
#include "settings/Conversions.h"
#include "settings/ExceptionCode.h"

namespace {

namespace conversions = settings_impl::conversions;
using settings_impl::Config;
using settings_impl::Value;

struct IntCase {
    std::string text;
    int value;  // ignored when !converts
    bool converts;
};

class IntConversion : public testing::TestWithParam<IntCase> {};

TEST_P(IntConversion, ReadsTheBaseFromThePrefix) {
    const IntCase& c = GetParam();
    if (c.converts) {
        EXPECT_EQ(conversions::toInt(c.text), c.value) << c.text;
    } else {
        EXPECT_THROW(conversions::toInt(c.text), settings_impl::ExceptionCode<302>) << c.text;
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, IntConversion,
                         testing::Values(IntCase{"0x10", 16, true}, IntCase{"0X1f", 31, true},
                                         IntCase{"010", 8, true}, IntCase{"10", 10, true},
                                         IntCase{"0", 0, true}, IntCase{"-7", -7, true},
                                         IntCase{" \t\n\v42", 42, true}, IntCase{"abc", 0, false},
                                         IntCase{"", 0, false}, IntCase{"0x", 0, false},
                                         IntCase{"08", 0, false}, IntCase{"12abc", 0, false},
                                         IntCase{"1.5", 0, false}, IntCase{"99999999999", 0, false}));

TEST(Conversions, DoublesTakeHexAndOctalIntegersAndDecimalFractions) {
    EXPECT_DOUBLE_EQ(conversions::toDouble("0x10"), 16.0);
    EXPECT_DOUBLE_EQ(conversions::toDouble("010"), 8.0);
    EXPECT_DOUBLE_EQ(conversions::toDouble("0.5"), 0.5);
    EXPECT_DOUBLE_EQ(conversions::toDouble(" 2.5E1"), 25.0);
    EXPECT_THROW(conversions::toDouble("abc"), settings_impl::ExceptionCode<302>);
    EXPECT_THROW(conversions::toDouble("1.5x"), settings_impl::ExceptionCode<302>);
}

TEST(Conversions, Booleans) {
    for (const char* yes : {"yes", "YES", "True", "1", "0x2", "-1"})
        EXPECT_TRUE(conversions::toBool(yes)) << yes;
    for (const char* no : {"no", "NO", "false", "FALSE", "0", "00"})
        EXPECT_FALSE(conversions::toBool(no)) << no;
    EXPECT_THROW(conversions::toBool("maybe"), settings_impl::ExceptionCode<302>);
}

TEST(Conversions, StringsMustBePlain) {
    EXPECT_EQ(conversions::toPlainString("C:\\x\xC3\xA9"), "C:\\x\xC3\xA9");
    EXPECT_THROW(conversions::toPlainString("\xFF"), settings_impl::ExceptionCode<302>);
}

TEST(ConfigValues, GettersFollowTheStoredType) {
    Config config;
    config.set("U", Value::untyped("0x10"));
    config.set("I", Value::integer(1, "Enable"));
    config.set("B", Value::boolean(true, "yes"));
    config.set("D", Value::real(1.5, "1.5"));
    config.set("S", Value::string("text"));
    config.set("K", std::nullopt);

    EXPECT_EQ(config.getInt("U"), 16);
    EXPECT_EQ(config.getInt("I"), 1);
    EXPECT_EQ(config.text("I"), "Enable");
    EXPECT_TRUE(config.getBool("B"));
    EXPECT_DOUBLE_EQ(config.getDouble("D"), 1.5);
    EXPECT_EQ(config.type("S"), settings_impl::TypeCode::String);
    EXPECT_FALSE(config.hasValue("K"));

    EXPECT_THROW(config.getBool("I"), settings_impl::ExceptionCode<301>);
    EXPECT_THROW(config.getInt("S"), settings_impl::ExceptionCode<301>);
    EXPECT_THROW(config.getDouble("B"), settings_impl::ExceptionCode<301>);
    EXPECT_THROW(config.text("K"), settings_impl::ExceptionCode<301>);
    EXPECT_THROW(config.type("K"), settings_impl::ExceptionCode<301>);
    EXPECT_THROW(config.hasValue("absent"), settings_impl::ExceptionCode<303>);
    EXPECT_THROW(config.remove("absent"), settings_impl::ExceptionCode<303>);
    EXPECT_EQ(config.size(), 6u);
}

TEST(ConfigValues, EqualityComparesByType) {
    Config one;
    Config other;
    one.set("EULA", Value::integer(1, "1"));
    other.set("EULA", Value::integer(1, "Enable"));
    EXPECT_TRUE(one == other);

    one.set("T", Value::untyped("x"));
    other.set("T", Value::string("x"));
    EXPECT_FALSE(one == other) << "different type codes";

    other.set("T", Value::untyped("x"));
    one.set("K", std::nullopt);
    other.set("K", Value::untyped(""));
    EXPECT_FALSE(one == other) << "a key without value equals only a key without value";

    other.set("K", std::nullopt);
    EXPECT_TRUE(one == other);
    other.set("L", std::nullopt);
    EXPECT_FALSE(one == other);
}

}  // namespace

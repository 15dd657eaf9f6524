#include <gtest/gtest.h>

#include <string>

#include "settings/ConfigValidatorBuilder.h"
#include "settings/DirnameValidator.h"
#include "settings/ExceptionCode.h"
#include "settings/FixedValueValidator.h"
#include "settings/TypeValidator.h"

namespace {

using settings_impl::ConfigValidator;
using settings_impl::FixedValueValidator;
using settings_impl::TypeCode;

TEST(FixedValueValidator, CaseSensitiveEntriesRefuseOtherCase) {
    const FixedValueValidator exact({{"Enable", 1, 1}, {"Disable", 0, 1}});
    EXPECT_EQ(exact.validate("Enable").integerValue(), 1);
    EXPECT_THROW(exact.validate("enable"), ConfigValidator::InavlidValueError);

    const FixedValueValidator loose({{"Enable", 1, 0}, {"Disable", 0, 0}});
    const auto value = loose.validate("enable");
    EXPECT_EQ(value.type(), TypeCode::Integer);
    EXPECT_EQ(value.integerValue(), 1);
    EXPECT_EQ(value.text(), "enable") << "without flag bit 1 the given text is kept";
}

TEST(FixedValueValidator, LaterEntriesWinAndBitOneStoresTheEntryText) {
    const FixedValueValidator validator({{"L", 1, 0}, {"l", 9, 2}});
    const auto value = validator.validate("L");
    EXPECT_EQ(value.integerValue(), 9);
    EXPECT_EQ(value.text(), "l");
}

struct DirCase {
    std::string path;
    bool accepted;
};

class DirnameChecking : public testing::TestWithParam<DirCase> {};

TEST_P(DirnameChecking, AcceptsDriveAbsolutePathsOnly) {
    const settings_impl::DirnameValidator validator(false);
    if (GetParam().accepted) {
        const auto value = validator.validate(GetParam().path);
        EXPECT_EQ(value.type(), TypeCode::String);
        EXPECT_EQ(value.text(), GetParam().path);
    } else {
        EXPECT_THROW(validator.validate(GetParam().path), ConfigValidator::InavlidValueError)
            << GetParam().path;
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, DirnameChecking,
                         testing::Values(DirCase{"C:\\dir\\..\\x", true}, DirCase{"c:/Program Files/X", true},
                                         DirCase{"D:", true}, DirCase{"dir\\x", false},
                                         DirCase{"\\\\server\\share\\dir", false}, DirCase{"\\x", false},
                                         DirCase{"C:\\dir\\CON", false}, DirCase{"C:\\a|b", false},
                                         DirCase{"C:\\a:b", false}, DirCase{"", false},
                                         DirCase{"C:\\\xFF", false},
                                         DirCase{"C:\\" + std::string(257, 'a'), false}));

TEST(DirnameValidator, SkippingTheCheckAcceptsAnything) {
    EXPECT_EQ(settings_impl::DirnameValidator(true).validate("relative\\CON").text(), "relative\\CON");
}

TEST(TypeValidator, ConvertsToItsType) {
    EXPECT_EQ(settings_impl::TypeValidator(TypeCode::Integer).validate("0x10").integerValue(), 16);
    EXPECT_TRUE(settings_impl::TypeValidator(TypeCode::Boolean).validate("YES").booleanValue());
    EXPECT_DOUBLE_EQ(settings_impl::TypeValidator(TypeCode::Double).validate("2.5").doubleValue(), 2.5);
    EXPECT_EQ(settings_impl::TypeValidator(TypeCode::String).validate("x").type(), TypeCode::String);
    EXPECT_THROW(settings_impl::TypeValidator(TypeCode::Integer).validate("x"),
                 settings_impl::ExceptionCode<302>);
    EXPECT_THROW(settings_impl::TypeValidator(TypeCode::String).validate("\x80"),
                 settings_impl::ExceptionCode<302>);
}

TEST(ConfigValidatorBuilder, FixedValuesWinOverPathWhichWinsOverType) {
    settings_impl::ConfigValidatorBuilder builder;
    builder.addType("A", TypeCode::Integer);
    builder.addPath("A", false);
    builder.addFixedValues("A", {{"x", 5, 0}});
    builder.addType("B", TypeCode::Integer);
    builder.addPath("B", false);
    const auto validator = builder.build();
    EXPECT_EQ(validator->validate("A", "X").integerValue(), 5);
    EXPECT_EQ(validator->validate("B", "C:\\x").type(), TypeCode::String);
    EXPECT_THROW(validator->validate("B", "12"), ConfigValidator::InavlidValueError);
}

TEST(ConfigValidatorBuilder, UnknownKeysAreRefusedUnlessAllowed) {
    settings_impl::ConfigValidatorBuilder builder;
    EXPECT_THROW(builder.build()->validate("X", "1"), ConfigValidator::InavlidKeyError);
    builder.setAllowUnknownKeys(true);
    EXPECT_EQ(builder.build()->validate("X", "1").type(), TypeCode::Untyped);
}

}  // namespace

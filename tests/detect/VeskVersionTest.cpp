#include "detect/VeskVersion.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "detect/SchemeVersion.h"
#include "diag/VdsError.h"

namespace {

using Slots = VeskVersion::Slots;

struct ParseCase {
    std::string text;
    Slots slots;
    std::string rendered;
};

class VeskVersionParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(VeskVersionParse, readsSlotsAndRendersThem) {
    const ParseCase& c = GetParam();
    const VeskVersion version(c.text);
    EXPECT_EQ(version.slots(), c.slots);
    EXPECT_EQ(version.text(), c.text);
    EXPECT_EQ(version.toString(), c.rendered);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, VeskVersionParse,
    ::testing::Values(ParseCase{"1.8.0_321-b07", {1, 8, 0, 321, 7, 0}, "1.8.0_321-b07"},
                      ParseCase{"1.8.0", {1, 8, 0, 0, 0, 0}, "1.8.0"},
                      ParseCase{"1.8.0_05", {1, 8, 0, 5, 0, 0}, "1.8.0_05"},
                      ParseCase{"1.8.0-ea", {1, 8, 0, 0, 0, 0}, "1.8.0"},
                      ParseCase{"1.8.0_60-ea-b13", {1, 8, 0, 60, 13, 0}, "1.8.0_60-b13"},
                      ParseCase{"1.8.0_60-internal", {1, 8, 0, 60, 0, 0}, "1.8.0_60"},
                      ParseCase{"1.8.0_321-b00", {1, 8, 0, 321, 0, 0}, "1.8.0_321"},
                      ParseCase{"1.7.0_80-b15", {1, 7, 0, 80, 15, 0}, "1.7.0_80-b15"},
                      ParseCase{"1.8.0_2147483647", {1, 8, 0, 2147483647, 0, 0}, "1.8.0_2147483647"},
                      ParseCase{"9", {3, 9, 0, 0, 0, 0}, "9"}, ParseCase{"9-ea", {3, 9, 0, 0, 0, 0}, "9"},
                      ParseCase{"10+46", {3, 10, 0, 0, 0, 46}, "10+46"},
                      ParseCase{"11.0.2+9", {3, 11, 0, 2, 0, 9}, "11.0.2+9"},
                      ParseCase{"11.0.2-ea+9", {3, 11, 0, 2, 0, 9}, "11.0.2+9"},
                      ParseCase{"11.0.2-LTS", {3, 11, 0, 2, 0, 0}, "11.0.2"},
                      ParseCase{"11.0.2.1", {3, 11, 0, 2, 1, 0}, "11.0.2.1"},
                      ParseCase{"17", {3, 17, 0, 0, 0, 0}, "17"},
                      ParseCase{"2.2.3", {2, 2, 3, 0, 0, 0}, "2.2.3"}));

struct FailureCase {
    std::string text;
    std::string message;  // the end of what()
};

class VeskVersionFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(VeskVersionFailure, saysWhatWasWrong) {
    const FailureCase& c = GetParam();
    VeskVersion version;
    try {
        version.init(c.text);
        FAIL() << "parsed " << c.text;
    } catch (const VdsError<std::runtime_error>& error) {
        const std::string what = error.what();
        EXPECT_NE(what.find(" at VersionDetails::Base<6,struct VeskVersionDetails::Parser,1>::init(): "),
                  std::string::npos)
            << what;
        EXPECT_TRUE(what.ends_with(c.message)) << what;
    }
    EXPECT_EQ(version.slots(), (Slots{})) << "a failed init leaves the value alone";
}

std::string incomplete(const std::string& text, int left) {
    return "Failed to parse [" + text + "] version string completely. Number of unrecognized characters is " +
           std::to_string(left);
}

std::string tooShort(const std::string& text) {
    return "Failed to parse [" + text + "] version string. The string is too short";
}

INSTANTIATE_TEST_SUITE_P(
    Texts, VeskVersionFailure,
    ::testing::Values(FailureCase{"1.8", tooShort("1.8")}, FailureCase{"2.2", tooShort("2.2")},
                      FailureCase{"", tooShort("")}, FailureCase{"1.8.0_", incomplete("1.8.0_", 1)},
                      FailureCase{"11.", incomplete("11.", 1)}, FailureCase{"1.0.1", incomplete("1.0.1", 4)},
                      FailureCase{"8.1", incomplete("8.1", 3)}, FailureCase{"0.9", incomplete("0.9", 3)},
                      FailureCase{"2.2.3-b04", incomplete("2.2.3-b04", 5)},
                      FailureCase{"1.8.0.1", incomplete("1.8.0.1", 2)},
                      // above the signed range: not a number at all
                      FailureCase{"1.8.0_2147483648", incomplete("1.8.0_2147483648", 11)},
                      FailureCase{"1.8.0_4294967295", incomplete("1.8.0_4294967295", 11)},
                      FailureCase{"4294967295", incomplete("4294967295", 10)}));

TEST(VeskVersion, comparesSlotBySlotIgnoringTheText) {
    EXPECT_LT(VeskVersion("1.7.0_80-b15"), VeskVersion("1.8.0"));
    EXPECT_GT(VeskVersion("9"), VeskVersion("1.8.0_321-b07"));
    EXPECT_GT(VeskVersion("1.8.0_60"), VeskVersion("1.8.0_20"));
    EXPECT_LT(VeskVersion("1.8.0_321"), VeskVersion("1.8.0_321-b07"));
    EXPECT_EQ(VeskVersion("1.8.0-ea"), VeskVersion("1.8.0"));
    EXPECT_EQ(VeskVersion("11.0.2-ea+9"), VeskVersion("11.0.2+9"));
    EXPECT_GT(VeskVersion("2.2.3"), VeskVersion("1.8.0_321-b07"));
    EXPECT_LT(VeskVersion("2.2.3"), VeskVersion("9"));
    // A family is below every full version of that family.
    EXPECT_LT(VeskVersion("1.8.0_321-b07").family(), VeskVersion("1.8.0"));
    EXPECT_LT(VeskVersion("11.0.2+9").family(), VeskVersion("11"));
    EXPECT_EQ(VeskVersion("1.8.0_05").family(), VeskVersion("1.8.0_321-b07").family());
}

TEST(VeskVersion, familyAndWithoutBuild) {
    const VeskVersion legacy("1.8.0_321-b07");
    EXPECT_EQ(legacy.family().slots(), (Slots{1, 8, -1, -1, -1, -1}));
    EXPECT_EQ(legacy.family().toString(), "1.8");
    EXPECT_EQ(legacy.withoutBuild().slots(), (Slots{1, 8, 0, 321, -1, -1}));
    EXPECT_EQ(legacy.withoutBuild().toString(), "1.8.0_321");
    EXPECT_EQ(legacy.withoutBuild().text(), "1.8.0_321-b07") << "copies keep the text";

    const VeskVersion nuform("11.0.2+9");
    EXPECT_EQ(nuform.family().slots(), (Slots{3, 11, -1, -1, -1, -1}));
    EXPECT_EQ(nuform.family().toString(), "11");
    EXPECT_EQ(nuform.withoutBuild().slots(), (Slots{3, 11, 0, 2, 0, -1}));
    EXPECT_EQ(nuform.withoutBuild().toString(), "11.0.2");
}

TEST(VeskVersion, unknownTagsAreRefused) {
    const VeskVersion plain("2.2.3");
    const VeskVersion empty;
    for (const auto& call : {+[](const VeskVersion& v) { (void)v.family(); },
                             +[](const VeskVersion& v) { (void)v.withoutBuild(); }}) {
        try {
            call(plain);
            FAIL() << "plain versions have no family";
        } catch (const VdsError<std::logic_error>& error) {
            EXPECT_TRUE(
                std::string(error.what())
                    .ends_with(
                        " at VeskVersionDetails::Base::throwUnrecognizedVersionType(): unknown version tag"))
                << error.what();
        }
    }
    EXPECT_THROW((void)empty.toString(), VdsError<std::logic_error>);
}

TEST(VeskVersion, unknownVersionAndKnownSlots) {
    const VeskVersion unknown = VeskVersion::unknown();
    EXPECT_EQ(unknown.slots(), (Slots{-1, -1, -1, -1, -1, -1}));
    EXPECT_EQ(unknown.text(), "");
    EXPECT_FALSE(unknown.hasFamily());
    EXPECT_EQ(unknown.knownSlots(), 0u);
    // Below every parsed version, and comparing it never throws.
    EXPECT_LT(unknown, VeskVersion("1.4.2"));
    EXPECT_NE(unknown, VeskVersion("17"));

    EXPECT_EQ(VeskVersion("1.8.0_321-b07").knownSlots(), 6u);
    EXPECT_EQ(VeskVersion("1.8.0").knownSlots(), 6u) << "parsed slots are 0, not unknown";
    EXPECT_EQ(VeskVersion("1.8.0_321-b07").withoutBuild().knownSlots(), 4u);
    EXPECT_EQ(VeskVersion("11.0.2+9").withoutBuild().knownSlots(), 5u);
    EXPECT_EQ(VeskVersion("11.0.2+9").family().knownSlots(), 2u);
    EXPECT_TRUE(VeskVersion("11").hasFamily());
    EXPECT_FALSE(VeskVersion("2.2.3").hasFamily());
}

TEST(SpecializedVersion, acceptsOnlyItsScheme) {
    const SpecializedVersion<VeskVersionDetails::BaseLegacy> legacy(VeskVersion("1.8.0_321-b07"));
    EXPECT_EQ(legacy.minorNumber(), 8);
    EXPECT_EQ(legacy.microNumber(), 0);
    EXPECT_EQ(legacy.updateNumber(), 321);
    EXPECT_EQ(legacy.buildNumber(), 7);
    const SpecializedVersion<VeskVersionDetails::BaseNuform> nuform(VeskVersion("11.0.2+9"));
    EXPECT_EQ(nuform.featureNumber(), 11);
    EXPECT_EQ(nuform.updateNumber(), 2);
    EXPECT_EQ(nuform.buildNumber(), 9);

    try {
        SpecializedVersion<VeskVersionDetails::BaseLegacy> wrong{VeskVersion("11.0.2+9")};
        FAIL() << "a Nuform version became legacy";
    } catch (const VdsError<std::runtime_error>& error) {
        EXPECT_TRUE(std::string(error.what())
                        .ends_with("11.0.2+9 is not recognized as a legacy Vesk version string"));
    }
    try {
        SpecializedVersion<VeskVersionDetails::BaseNuform> wrong{VeskVersion("2.2.3")};
        FAIL() << "a plain version became Nuform";
    } catch (const VdsError<std::runtime_error>& error) {
        EXPECT_TRUE(
            std::string(error.what()).ends_with("2.2.3 is not recognized as a Nuform Vesk version string"));
    }
}

TEST(VersionDetailsParser, guardsItsDestination) {
    std::int32_t slots[6] = {};
    std::size_t none = 0;
    EXPECT_THROW(VersionDetails::Parser::parse("1.8.0", slots, none), VdsError<std::length_error>);
    std::size_t five = 5;
    try {
        VeskVersionDetails::Parser::parse("1.8.0", slots, five);
        FAIL();
    } catch (const VdsError<std::length_error>& error) {
        EXPECT_TRUE(std::string(error.what()).ends_with("Insufficient size of destination buffer"));
    }
}

TEST(VersionDetailsParser, countsLeadingNumbersAndLeftOver) {
    std::int32_t slots[3] = {};
    std::size_t count = 3;
    EXPECT_EQ(VersionDetails::Parser::parse("1.8.0_321", slots, count), 5u);  // "0_321"
    EXPECT_EQ(count, 2u);
    count = 3;
    EXPECT_EQ(VersionDetails::Parser::parse("1.07.", slots, count), 1u);  // the trailing dot
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(slots[1], 7);
    count = 2;
    EXPECT_EQ(VersionDetails::Parser::parse("4.5.6", slots, count), 2u);  // ".6"
    count = 3;
    EXPECT_EQ(VersionDetails::Parser::parse("", slots, count), 0u);
    EXPECT_EQ(count, 0u);
}

TEST(VersionDetailsParser, parseComponentNamesThePiece) {
    EXPECT_EQ(VersionDetails::parseComponent("07"), 7);
    EXPECT_EQ(VersionDetails::parseComponent("2147483647"), 2147483647);
    for (const char* piece : {"", "+1", "1a", "2147483648", " 1"}) {
        try {
            (void)VersionDetails::parseComponent(piece);
            FAIL() << piece;
        } catch (const VdsError<std::runtime_error>& error) {
            EXPECT_TRUE(
                std::string(error.what())
                    .ends_with("Failed to recognize version component in [" + std::string(piece) + "]"));
        }
    }
}

}  // namespace

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>

#include "detect/KnownProductCodeInstalledVeskTracker.h"
#include "detect/UpgradeCodeInstalledVeskTracker.h"
#include "diag/VdsError.h"
#include "diag/tstrings.h"

namespace {

struct MatchCase {
    std::string code;
    int row;  // 1-based table row, 0: no match
    std::string versionText;
};

class ProductCodeTemplates : public ::testing::TestWithParam<MatchCase> {};

TEST_P(ProductCodeTemplates, matchRowAndVersionText) {
    const MatchCase& c = GetParam();
    const auto match = KnownProductCodeInstalledVeskTracker::match(c.code);
    if (c.row == 0) {
        EXPECT_FALSE(match.has_value()) << "matched " << match->row->code;
        return;
    }
    ASSERT_TRUE(match.has_value());
    EXPECT_EQ(match->versionText, c.versionText);
    // Rows are told apart by their templates; the row number names the case.
    static const char* const rowTemplates[] = {
        "{935C91E3-2B07-4E9A-B38D-71C4F6142UUX}", "{58E6B27D-5A1C-4F03-8D9E-2B7A0C142UUX}",
        "{32E6B27D-5A1C-4F03-8D9E-2B7A0C15OUUX}", "{64E6B27D-5A1C-4F03-8D9E-2B7A0C15OUUX}",
        "{32E6B27D-5A1C-4F03-8D9E-2B7A0CMNOXXX}", "{64E6B27D-5A1C-4F03-8D9E-2B7A0CMNOXXX}",
        "{325C91E3-2B07-4E9A-B38D-71C4F6MNOUUX}", "{645C91E3-2B07-4E9A-B38D-71C4F6MNOUUX}",
        "{7D3E19B0-5C62-4A8F-9E07-4BX32MNOUUXX}", "{7D3E19B0-5C62-4A8F-9E07-4BX64MNOUUXX}",
        "{7D3E19B0-5C62-4A8F-9E07-4B32MNOUUUXX}", "{7D3E19B0-5C62-4A8F-9E07-4B64MNOUUUXX}",
        "{3E8C2D05-A41B-4C96-BD25-MNO3251C9A3E}", "{3E8C2D05-A41B-4C96-BD25-MNO6451C9A3E}",
        "{3E8C2D05-A41B-4C96-BD25-MNOO032C9A3E}", "{3E8C2D05-A41B-4C96-BD25-MNOO064C9A3E}"};
    EXPECT_STREQ(match->row->code, rowTemplates[c.row - 1]);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, ProductCodeTemplates,
    ::testing::Values(
        // Row 1 prefills 1, 4 and 2; "05" is the update, "00" none.
        MatchCase{"{935C91E3-2B07-4E9A-B38D-71C4F614205A}", 1, "1.4.2_05"},
        MatchCase{"{935C91E3-2B07-4E9A-B38D-71C4F614200F}", 1, "1.4.2"},
        // Row 3: the O group is read, the U digits follow.
        MatchCase{"{32E6B27D-5A1C-4F03-8D9E-2B7A0C150181}", 3, "1.5.0_18"},
        // Row 5: M, N and O from the code, no update.
        MatchCase{"{32E6B27D-5A1C-4F03-8D9E-2B7A0C160ABC}", 5, "1.6.0"},
        MatchCase{"{64E6B27D-5A1C-4F03-8D9E-2B7A0C180321}", 6, "1.8.0"},
        MatchCase{"{7D3E19B0-5C62-4A8F-9E07-4B64180321F0}", 12, "1.8.0_321"},
        MatchCase{"{7D3E19B0-5C62-4A8F-9E07-4BA3217002500}", 0, ""},  // one character too many
        MatchCase{"{7D3E19B0-5C62-4A8F-9E07-4BA321700250}", 9, "1.7.0_02"},
        MatchCase{"{3E8C2D05-A41B-4C96-BD25-1803251C9A3E}", 13, "1.8.0"},
        // A lower-case letter in an X position, a non-digit in a digit group, an unknown
        // code: no match.
        MatchCase{"{935C91E3-2B07-4E9A-B38D-71C4F614205a}", 0, ""},
        MatchCase{"{7D3E19B0-5C62-4A8F-9E07-4B6418032Af0}", 0, ""},
        MatchCase{"{935C91E3-2B07-4E9A-B38D-71C4F6142A5A}", 0, ""},
        MatchCase{"{0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D}", 0, ""}, MatchCase{"", 0, ""}));

TEST(UpgradeCodeTemplates, givePerTypeBitsAndFeatureCodes) {
    EXPECT_EQ(tstrings::unsafe_format(UpgradeCodeIterator::getTemplate(0), 64, 17),
              "A04E7B13-9D25-4C71-8F6A-3E9156420017");
    EXPECT_EQ(tstrings::unsafe_format(UpgradeCodeIterator::getTemplate(1), 32, 9),
              "32E6B27D-5A1C-4F03-8D9E-2B7A0C200090");
    try {
        UpgradeCodeIterator::getTemplate(2);
        FAIL() << "VESK_FX has no upgrade codes";
    } catch (const VdsError<std::invalid_argument>& error) {
        EXPECT_TRUE(std::string(error.what()).ends_with("Unrecognized product type")) << error.what();
    }
}

}  // namespace

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "detect/Bundle.h"
#include "detect/InstalledVeskTable.h"
#include "detect/InstalledVesksVerifier.h"
#include "diag/VdsError.h"
#include "platform/Registry.h"

namespace {

constexpr std::int32_t VRE = Bundle::VRE;
constexpr std::int32_t VDK = Bundle::VDK;

InstalledVesk record(std::int32_t type, std::int32_t arch, const std::string& version, const std::string& home,
                     const std::wstring& code) {
    InstalledVesk product;
    product.bundle = Bundle{type, arch, VeskVersion(version)};
    product.homeDir = home;
    product.productCode = Guid(code);
    return product;
}

// The homes of the table's slots (each record has its own), "-" for an empty one.
std::vector<std::string> codesOf(const InstalledVeskTable& table) {
    std::vector<std::string> codes;
    for (const auto& slot : table) {
        codes.push_back(slot ? slot->homeDir : "-");
    }
    return codes;
}

const std::vector<InstalledVesk> installed = {
    record(VRE, 32, "1.8.0_321-b07", "vre32-321", L"{00000000-0000-0000-0000-000000000001}"),
    record(VRE, 32, "1.8.0_331-b04", "vre32-331", L"{00000000-0000-0000-0000-000000000002}"),
    record(VRE, 32, "1.8.0_331-b04", "vre32-331-tie", L"{00000000-0000-0000-0000-000000000003}"),
    record(VDK, 64, "17.0.2+8", "vdk64-17", L"{00000000-0000-0000-0000-000000000004}"),
    record(VRE, 64, "17.0.2+8", "vre64-17", L"{00000000-0000-0000-0000-000000000005}"),
    record(VRE, 64, "11.0.2+9", "vre64-11", L"{00000000-0000-0000-0000-000000000006}"),
};

TEST(InstalledVeskTable, latestSelections) {
    const InstalledVeskTable latest = latestInstalled(installed);
    EXPECT_EQ(codesOf(latest), (std::vector<std::string>{"vre32-331", "vre64-17", "-", "vdk64-17"}))
        << "the greatest version per slot, the first one on a tie";
    EXPECT_EQ(codesOf(latestOfType(latest, VRE)), (std::vector<std::string>{"vre32-331", "vre64-17", "-", "-"}));
    EXPECT_EQ(codesOf(latestOfType(latest, VDK)), (std::vector<std::string>{"-", "-", "-", "vdk64-17"}));
    EXPECT_EQ(codesOf(latestOfArch(latest, 32)), (std::vector<std::string>{"vre32-331", "-", "-", "-"}));
    EXPECT_EQ(codesOf(latestOfArch(latest, 64)), (std::vector<std::string>{"-", "vre64-17", "-", "vdk64-17"}));
    EXPECT_EQ(codesOf(newestOnly(latest)), (std::vector<std::string>{"-", "vre64-17", "-", "vdk64-17"}))
        << "ties all stay";
    EXPECT_EQ(codesOf(newestOnly(InstalledVeskTable{})), (std::vector<std::string>{"-", "-", "-", "-"}));
}

struct PickCase {
    std::vector<int> present;  // item indexes of the slots that hold a record
    std::int32_t type;
    std::int32_t arch;
    int picked;  // item index, -1: none
};

class PickInstalled : public ::testing::TestWithParam<PickCase> {};

TEST_P(PickInstalled, takesTheNearestPresentSlot) {
    const PickCase& c = GetParam();
    InstalledVeskTable table;
    const std::int32_t types[] = {VRE, VRE, VDK, VDK};
    const std::int32_t archs[] = {32, 64, 32, 64};
    for (const int index : c.present) {
        table[index] = record(types[index], archs[index], "1.8.0", "slot" + std::to_string(index),
                              L"{00000000-0000-0000-0000-00000000000" + std::to_wstring(index) + L"}");
    }
    const std::optional<InstalledVesk> picked = pickInstalled(table, c.type, c.arch);
    if (c.picked < 0) {
        EXPECT_FALSE(picked.has_value());
    } else {
        ASSERT_TRUE(picked.has_value());
        EXPECT_EQ(picked->homeDir, "slot" + std::to_string(c.picked));
    }
}

INSTANTIATE_TEST_SUITE_P(Tables, PickInstalled,
                         ::testing::Values(PickCase{{0, 1, 2, 3}, VRE, 64, 1},  // same type and arch
                                           PickCase{{0, 2, 3}, VRE, 64, 0},     // same type, other arch
                                           PickCase{{2, 3}, VRE, 64, 3},        // other type, same arch
                                           PickCase{{2}, VRE, 64, 2},  // only a VDK/32: that one
                                           PickCase{{1}, VDK, 32, 1}, PickCase{{}, VDK, 64, -1}));

TEST(InstalledVeskTable, itemIndexOfEveryPairAndNoOther) {
    EXPECT_EQ(itemIndex(VRE, 32), 0u);
    EXPECT_EQ(itemIndex(VRE, 64), 1u);
    EXPECT_EQ(itemIndex(VDK, 32), 2u);
    EXPECT_EQ(itemIndex(VDK, 64), 3u);
    for (const auto& [type, arch] : {std::pair{2, 32}, std::pair{VRE, 0}, std::pair{VDK, 16}}) {
        try {
            itemIndex(type, arch);
            FAIL() << type << "/" << arch;
        } catch (const VdsError<std::invalid_argument>& error) {
            EXPECT_TRUE(std::string(error.what()).ends_with("Unexpected 'tag'")) << error.what();
        }
    }
}

TEST(InstalledVesksVerifier, checksInItsOrder) {
    using Verifier = VeskEnvironment::InstalledVesksVerifier;
    std::vector<InstalledVesk> list = installed;
    list.push_back(record(VDK, 32, "1.8.0", "", L"{00000000-0000-0000-0000-000000000001}"));
    list.push_back(InstalledVesk{});

    const auto failure = [](const Verifier& verifier, const std::vector<InstalledVesk>& products) -> std::string {
        try {
            verifier(products);
            return "";
        } catch (const VdsError<std::invalid_argument>& error) {
            const std::string what = error.what();
            EXPECT_NE(what.find(" at VeskEnvironment::InstalledVesksVerifier::operator ()(): "), std::string::npos)
                << what;
            return what.substr(what.rfind(": ") + 2);
        }
    };
    Verifier all{true, true, true, {VRE}, {64}};
    EXPECT_EQ(failure(all, list), "empty product code");
    list.pop_back();
    EXPECT_EQ(failure(all, list), "empty home dir");
    all.homeDirsNonEmpty = false;
    EXPECT_EQ(failure(all, list), "duplicated product codes");
    list.pop_back();
    EXPECT_EQ(failure(all, list), "unexpected types");
    all.allowedTypes.clear();
    EXPECT_EQ(failure(all, list), "unexpected archs");
    all.allowedArchs = {32, 64};
    EXPECT_EQ(failure(all, list), "");
    EXPECT_EQ(failure(Verifier{}, {InstalledVesk{}, InstalledVesk{}}), "") << "nothing switched on";
}

struct BundleCase {
    Bundle bundle;
    std::string root, version, family, subdir;
};

class BundleLayout : public ::testing::TestWithParam<BundleCase> {};

TEST_P(BundleLayout, keyPathsAndRuntimeSubdir) {
    const BundleCase& c = GetParam();
    EXPECT_EQ(c.bundle.rootKeyPath(), c.root);
    EXPECT_EQ(c.bundle.versionKeyPath(), c.root + "\\" + c.version);
    EXPECT_EQ(c.bundle.familyKeyPath(), c.root + "\\" + c.family);
    EXPECT_EQ(c.bundle.runtimeSubdir(), c.subdir);
    EXPECT_EQ(&c.bundle.getRootKey(), c.bundle.arch == 32 ? &Registry::HKLM32 : &Registry::HKLM64);
}

INSTANTIATE_TEST_SUITE_P(
    Products, BundleLayout,
    ::testing::Values(
        BundleCase{{VRE, 64, VeskVersion("1.8.0_321-b07")}, "Software\\VeskSoft\\Vesk Runtime Environment",
                   "1.8.0_321", "1.8", ""},
        BundleCase{{VDK, 32, VeskVersion("1.8.0_321-b07")}, "Software\\VeskSoft\\Vesk Development Kit",
                   "1.8.0_321", "1.8", "vre"},
        BundleCase{{VDK, 32, VeskVersion("1.7.0_80-b15")}, "Software\\VeskSoft\\Vesk Development Kit", "1.7.0_80",
                   "1.7", "vre"},
        BundleCase{{VDK, 64, VeskVersion("11.0.2+9")}, "Software\\VeskSoft\\VDK", "11.0.2", "11", ""},
        BundleCase{{VRE, 64, VeskVersion("17")}, "Software\\VeskSoft\\VRE", "17", "17", ""}));

TEST(BundleLayout, refusesOtherTypesAndArchs) {
    const Bundle fx{2, 32, VeskVersion("1.8.0")};
    EXPECT_THROW(fx.rootKeyPath(), VdsError<std::runtime_error>);
    try {
        fx.throwUnexpectedType();
    } catch (const VdsError<std::runtime_error>& error) {
        EXPECT_TRUE(std::string(error.what()).ends_with("Unexpected type2 of 1.8.0")) << error.what();
    }
    try {
        (void)Bundle{VRE, 16, VeskVersion("1.8.0")}.getRootKey();
        FAIL();
    } catch (const VdsError<std::runtime_error>& error) {
        EXPECT_TRUE(std::string(error.what()).ends_with("Unexpected bundle arch: 16")) << error.what();
    }
    EXPECT_EQ(Bundle::getType(1), VDK);
    try {
        Bundle::getType(-100);
        FAIL();
    } catch (const VdsError<std::runtime_error>& error) {
        EXPECT_TRUE(std::string(error.what()).ends_with("Unknown Vesk installation type: -100")) << error.what();
    }
}

}  // namespace

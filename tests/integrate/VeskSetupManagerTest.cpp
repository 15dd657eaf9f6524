#include "integrate/VeskSetupManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "SetupRecords.h"
#include "integrate/AllCallbacks.h"
#include "support/LogCapture.h"

namespace {

using namespace setuptest;
using Strings = std::vector<std::string>;
using Sizes = std::vector<std::size_t>;

const InstalledVesk vre64_17 = record(VRE, 64, "17.0.2+8", 1, "C:\\vre64-17");
const InstalledVesk vdk64_17 = record(VDK, 64, "17.0.2+8", 2, "C:\\vdk64-17");
const InstalledVesk vre32_17 = record(VRE, 32, "17.0.2+8", 3, "C:\\vre32-17");
const InstalledVesk vre64_11 = record(VRE, 64, "11.0.2+9", 4, "C:\\vre64-11");
const InstalledVesk vdk32_8 = record(VDK, 32, "1.8.0_321-b07", 5, "C:\\vdk32-8");
const InstalledVesk other = record(7, 64, "2.2.3", 6, "C:\\other");
const InstalledVesk homeless = record(VRE, 64, "21.0.1+12", 7, "");
const InstalledVesk relative = record(VRE, 32, "21.0.1+12", 8, "vre\\21");

struct UpdateCase {
    const char* name;
    std::vector<InstalledVesk> detected;
    InstalledVesk product;
    VeskSetupManager::Operation operation;
    Strings calls;
    Strings all;
    Sizes groups;
    std::string currentVre;
    bool currentVreChanged;
};

const UpdateCase updateCases[] = {
    {"the only VRE uninstalled while a VDK stays",
     {vre64_17, vdk64_17},
     vre64_17,
     VeskSetupManager::Uninstall,
     {"onProducts", "onNoVre"},
     {"C:\\vdk64-17"},
     {0, 0, 0, 1},
     "-",
     true},
    {"the last product uninstalled: onNoProducts calls onNoVre, onNoVdk",
     {vre64_17},
     vre64_17,
     VeskSetupManager::Uninstall,
     {"onProducts", "onNoVre", "onNoVdk"},
     {},
     {0, 0, 0, 0},
     "-",
     true},
    {"a product already listed is not added twice",
     {vre64_17, vdk64_17},
     vre64_17,
     VeskSetupManager::Install,
     {"onProducts"},
     {"C:\\vre64-17", "C:\\vdk64-17"},
     {0, 1, 0, 1},
     "C:\\vre64-17",
     true},
    {"equal 32- and 64-bit VREs: the 64-bit one is current",
     {vre32_17, vre64_17},
     {},
     VeskSetupManager::None,
     {"onProducts", "onNoVdk"},
     {"C:\\vre32-17", "C:\\vre64-17"},
     {1, 1, 0, 0},
     "C:\\vre64-17",
     false},
    {"an older VRE installed leaves the current one",
     {vre64_17},
     vre64_11,
     VeskSetupManager::Install,
     {"onProducts", "onNoVdk"},
     {"C:\\vre64-17", "C:\\vre64-11"},
     {0, 2, 0, 0},
     "C:\\vre64-17",
     false},
    {"a newer VRE installed becomes current",
     {vre64_11},
     vre64_17,
     VeskSetupManager::Install,
     {"onProducts", "onNoVdk"},
     {"C:\\vre64-11", "C:\\vre64-17"},
     {0, 2, 0, 0},
     "C:\\vre64-17",
     true},
    {"groups keep the list order; other types are dropped",
     {vdk32_8, vre64_17, other, vre32_17, vre64_11},
     {},
     VeskSetupManager::None,
     {"onProducts"},
     {"C:\\vre32-17", "C:\\vre64-17", "C:\\vre64-11", "C:\\vdk32-8"},
     {1, 2, 1, 0},
     "C:\\vre64-17",
     false},
    {"products without a usable home are listed but never current",
     {homeless, relative, vre64_11},
     {},
     VeskSetupManager::None,
     {"onProducts", "onNoVdk"},
     {"vre\\21", "", "C:\\vre64-11"},
     {1, 2, 0, 0},
     "C:\\vre64-11",
     false},
    {"only homeless VREs left count as no VRE",
     {homeless, vdk64_17},
     {},
     VeskSetupManager::None,
     {"onProducts", "onNoVre"},
     {"", "C:\\vdk64-17"},
     {0, 1, 0, 1},
     "-",
     false},
};

TEST(VeskSetupManager, updateCases) {
    const auto config = makeConfig();
    for (const UpdateCase& c : updateCases) {
        SCOPED_TRACE(c.name);
        VeskSetupManager manager;
        manager.operation = c.operation;
        if (c.operation != VeskSetupManager::None) {
            manager.product = c.product;
        }
        Strings calls;
        SeenView seen;
        auto all = std::make_unique<VeskSetupManager::AllCallbacks>();
        all->add(std::make_unique<RecordingCallback>(calls, seen));
        ASSERT_TRUE(manager.update(*config, c.detected, std::move(all)));
        EXPECT_EQ(calls, c.calls);
        EXPECT_EQ(seen.all, c.all);
        EXPECT_EQ(seen.groups, c.groups);
        EXPECT_EQ(seen.currentVre, c.currentVre);
        EXPECT_EQ(seen.currentVreChanged, c.currentVreChanged);
        EXPECT_EQ(seen.changed, c.operation == VeskSetupManager::None ? "-" : c.product.homeDir);
    }
}

TEST(VeskSetupManager, freshManager) {
    const VeskSetupManager manager;
    EXPECT_EQ(manager.operation, VeskSetupManager::None);
    EXPECT_EQ(manager.product.bundle.type, VRE);
    EXPECT_EQ(manager.product.bundle.arch, 64) << "a 64-bit process on 64-bit Windows";
    EXPECT_EQ(manager.product.productCode, Guid());
    EXPECT_TRUE(manager.product.homeDir.empty());
    EXPECT_EQ(manager.product.bundle.version.text(), "");
}

TEST(VeskSetupManager, homelessProductIsNamedInAWarning) {
    const auto config = makeConfig();
    VeskSetupManager manager;
    Strings calls;
    SeenView seen;
    const auto records = testsupport::recordsOf([&] {
        auto all = std::make_unique<VeskSetupManager::AllCallbacks>();
        all->add(std::make_unique<RecordingCallback>(calls, seen));
        EXPECT_TRUE(manager.update(*config, {homeless, vre64_11}, std::move(all)));
    });
    const std::string code = homeless.productCode.toString();
    EXPECT_TRUE(std::any_of(records.begin(), records.end(),
                            [&](const testsupport::LogRecord& r) {
                                return r.level == "WARNING" && r.function == "VeskSetupManager::update" &&
                                       r.message.find(code) != std::string::npos;
                            }))
        << "a WARNING naming " << code;
}

struct FailureCase {
    const char* name;
    std::vector<InstalledVesk> detected;
    InstalledVesk product;
    VeskSetupManager::Operation operation;
    const char* logged;
};

TEST(VeskSetupManager, failuresEndTheUpdateWithFalse) {
    const FailureCase cases[] = {
        {"duplicated product codes",
         {vre64_17, vre64_17},
         {},
         VeskSetupManager::None,
         "duplicated product codes"},
        {"an unexpected arch",
         {record(VRE, 16, "17.0.2+8", 9, "C:\\x")},
         {},
         VeskSetupManager::None,
         "unexpected archs"},
        {"installing a product with an empty home",
         {vre64_17},
         homeless,
         VeskSetupManager::Install,
         "no usable home directory"},
        {"installing a product with a relative home",
         {vre64_17},
         relative,
         VeskSetupManager::Install,
         "no usable home directory"},
    };
    const auto config = makeConfig();
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        VeskSetupManager manager;
        manager.operation = c.operation;
        manager.product = c.product;
        Strings calls;
        SeenView seen;
        bool result = true;
        const auto records = testsupport::recordsOf([&] {
            auto all = std::make_unique<VeskSetupManager::AllCallbacks>();
            all->add(std::make_unique<RecordingCallback>(calls, seen));
            result = manager.update(*config, c.detected, std::move(all));
        });
        EXPECT_FALSE(result);
        EXPECT_TRUE(calls.empty()) << "no manager runs";
        EXPECT_TRUE(std::any_of(records.begin(), records.end(), [&](const testsupport::LogRecord& r) {
            return r.level == "ERROR" && r.function == "VeskSetupManager::update" &&
                   r.message.find(c.logged) != std::string::npos;
        }));
    }
}

TEST(VeskSetupManager, throwingManagerDoesNotStopTheNext) {
    const auto config = makeConfig();
    VeskSetupManager manager;
    manager.operation = VeskSetupManager::Uninstall;
    manager.product = vre64_17;
    Strings firstCalls;
    Strings secondCalls;
    SeenView seen;
    bool result = false;
    const auto records = testsupport::recordsOf([&] {
        auto all = std::make_unique<VeskSetupManager::AllCallbacks>();
        all->add(std::make_unique<RecordingCallback>(firstCalls, seen, true));
        all->add(std::make_unique<RecordingCallback>(secondCalls, seen));
        result = manager.update(*config, {vre64_17, vdk64_17}, std::move(all));
    });
    EXPECT_TRUE(result) << "a manager's failure is contained";
    EXPECT_EQ(firstCalls, (Strings{"onProducts", "onNoVre"}));
    EXPECT_EQ(secondCalls, (Strings{"onProducts", "onNoVre"}));
    EXPECT_TRUE(std::any_of(records.begin(), records.end(), [](const testsupport::LogRecord& r) {
        return r.function == "VeskSetupManager::AllCallbacks::handleProduct::operator ()" &&
               r.message == "Exception with message 'recording callback fails' caught";
    }));
}

}  // namespace

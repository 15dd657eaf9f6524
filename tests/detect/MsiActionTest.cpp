#include "detect/MsiAction.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "detect/MsiError.h"
#include "detect/MsiUtils.h"
#include "detect/ProductUninstaller.h"
#include "diag/VdsError.h"
#include "support/LogCapture.h"
#include "support/TempFolder.h"
#include "support/TestbedMsi.h"

namespace {

using testsupport::recordsOf;

constexpr const char* unknownProduct = "{00000000-1111-2222-3333-444444444444}";

Guid guidOf(const char* text) { return Guid(std::wstring(text, text + std::char_traits<char>::length(text))); }

struct StatusCase {
    std::uint32_t status;
    const char* infoSuffix;  // null: a failure
};

class HandleMsiStatus : public ::testing::TestWithParam<StatusCase> {};

TEST_P(HandleMsiStatus, successIsLoggedFailureBecomesTheMessage) {
    const StatusCase& c = GetParam();
    const std::string call = std::string("MsiConfigureProductEx(") + unknownProduct + ", 65535, 2, A=\"b c\") ";
    msi::ActionStatus result;
    const auto records = recordsOf([&] { result = msi::handleMsiStatus(guidOf(unknownProduct), "A=\"b c\"", c.status); });
    EXPECT_EQ(result.status, c.status);
    if (c.infoSuffix == nullptr) {
        EXPECT_EQ(result.message, call + "failed");
        EXPECT_TRUE(records.empty());
        try {
            result.throwIt();
            FAIL() << "throwIt returned";
        } catch (const VdsError<msi::Error>& error) {
            EXPECT_EQ(error.status(), static_cast<std::int32_t>(c.status));
            EXPECT_NE(std::string(error.what()).find(" at msi::ActionStatus::throwIt(): " + call + "failed. MSI error ["),
                      std::string::npos);
        }
        return;
    }
    EXPECT_EQ(result.message, "");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].level, "INFO");
    EXPECT_EQ(records[0].function, "msi::handleMsiStatus");
    EXPECT_EQ(records[0].message, call + c.infoSuffix);
}

INSTANTIATE_TEST_SUITE_P(Statuses, HandleMsiStatus,
                         ::testing::Values(StatusCase{0, "succeeded"}, StatusCase{1641, "succeeded [1641]"},
                                           StatusCase{3010, "succeeded [3010]"}, StatusCase{1603, nullptr},
                                           StatusCase{1605, nullptr}));

// Collects what the installer tells the external UI handler.
class RecordingCallback : public msi::Callback {
public:
    void onMessage(std::uint32_t type, std::uint32_t subtype, const std::string& text) override {
        EXPECT_EQ(type & 0x00FFFFFFu, 0u);
        EXPECT_EQ(subtype & 0xFF000000u, 0u);
        types.push_back(type);
        (void)text;
    }
    std::vector<std::uint32_t> types;
};

class ThrowingCallback : public msi::Callback {
public:
    void onMessage(std::uint32_t, std::uint32_t, const std::string&) override {
        ++calls;
        throw std::runtime_error("callback refuses");
    }
    int calls = 0;
};

// The process-wide UI level, read by setting it to `level`.
INSTALLUILEVEL swapUiLevel(INSTALLUILEVEL level) { return MsiSetInternalUI(level, nullptr); }

TEST(MsiApply, removesAProductWithQuotedProperties) {
    if (!testsupport::isProductInstalled(vreNuform64.productCode)) {
        ASSERT_EQ(testsupport::installTestbedProduct(vreNuform64), 0u);
    }
    ASSERT_TRUE(testsupport::isProductInstalled(vreNuform64.productCode));

    const testsupport::TempFolder folder;
    const msi::ActionData::Properties properties = {
        {"VESK_BLANK", "a b"}, {"VESK_EMPTY", ""}, {"VESK_QUOTE", "say \"hi\""}, {"VESK_TAB", "x\ty"}};
    RecordingCallback callback;
    const msi::ActionData action{properties, " REBOOT=ReallySuppress\t", INSTALLUILEVEL_NONE, &callback,
                                 folder.file("remove.log"), 0, guidOf(vreNuform64.productCode)};

    const INSTALLUILEVEL before = swapUiLevel(INSTALLUILEVEL_BASIC);
    std::unique_ptr<msi::ActionData::State> state;
    const auto records = recordsOf([&] { state = Uninstaller::shared().uninstall(action); });
    ASSERT_NE(state, nullptr);

    const std::string commandLine =
        "REBOOT=ReallySuppress VESK_BLANK=\"a b\" VESK_EMPTY=\"\" VESK_QUOTE=\"say \"\"hi\"\"\" VESK_TAB=\"x\ty\"";
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].level, "INFO");
    EXPECT_EQ(records[0].message, std::string("MsiConfigureProductEx(") + vreNuform64.productCode +
                                      ", 65535, 2, " + commandLine + ") succeeded");
    EXPECT_FALSE(testsupport::isProductInstalled(vreNuform64.productCode));
    EXPECT_FALSE(callback.types.empty()) << "the external UI handler heard nothing";

    // The action's settings hold while the state lives and go when it goes.
    EXPECT_EQ(swapUiLevel(INSTALLUILEVEL_NONE), INSTALLUILEVEL_NONE);
    state.reset();
    EXPECT_EQ(swapUiLevel(before), INSTALLUILEVEL_BASIC);
    EXPECT_EQ(MsiSetExternalUIW(nullptr, 0, nullptr), nullptr) << "the external UI handler stayed installed";
}

TEST(MsiApply, callbackExceptionsAreLoggedAndSwallowed) {
    if (!testsupport::isProductInstalled(vreLegacy32.productCode)) {
        ASSERT_EQ(testsupport::installTestbedProduct(vreLegacy32), 0u);
    }
    const msi::ActionData::Properties none;
    ThrowingCallback callback;
    const msi::ActionData action{none, "", INSTALLUILEVEL_NONE, &callback, "", 1000, guidOf(vreLegacy32.productCode)};
    std::unique_ptr<msi::ActionData::State> state;
    const auto records = recordsOf([&] { state = msi::apply(action); });
    EXPECT_FALSE(testsupport::isProductInstalled(vreLegacy32.productCode));
    ASSERT_GT(callback.calls, 0);
    int swallowed = 0;
    for (const auto& record : records) {
        if (record.function == "msi::CallbackTrigger::adapter") {
            EXPECT_EQ(record.level, "ERROR");
            EXPECT_NE(record.message.find("callback refuses"), std::string::npos);
            ++swallowed;
        }
    }
    EXPECT_EQ(swallowed, callback.calls);
    EXPECT_EQ(records.back().message,
              std::string("MsiConfigureProductEx(") + vreLegacy32.productCode + ", 65535, 2, ) succeeded");
}

struct CommandLineCase {
    const char* base;
    msi::ActionData::Properties properties;
    const char* commandLine;
};

class ApplyFailure : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(ApplyFailure, throwsWithTheCommandLineAndRestoresTheSettings) {
    const CommandLineCase& c = GetParam();
    RecordingCallback callback;
    const msi::ActionData action{c.properties, c.base, INSTALLUILEVEL_NONE, &callback, "", 0, guidOf(unknownProduct)};
    const INSTALLUILEVEL before = swapUiLevel(INSTALLUILEVEL_BASIC);
    try {
        msi::apply(action);
        FAIL() << "removed an unknown product";
    } catch (const VdsError<msi::Error>& error) {
        EXPECT_EQ(error.status(), static_cast<std::int32_t>(ERROR_UNKNOWN_PRODUCT));
        EXPECT_NE(std::string(error.what()).find(std::string("MsiConfigureProductEx(") + unknownProduct +
                                                 ", 65535, 2, " + c.commandLine + ") failed. MSI error [1605]"),
                  std::string::npos)
            << error.what();
    }
    EXPECT_EQ(swapUiLevel(before), INSTALLUILEVEL_BASIC);
    EXPECT_EQ(MsiSetExternalUIW(nullptr, 0, nullptr), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, ApplyFailure,
    ::testing::Values(CommandLineCase{"", {}, ""}, CommandLineCase{" \t", {{"A", "1"}}, "A=1"},
                      CommandLineCase{"\tREBOOT=R ", {}, "REBOOT=R"},
                      CommandLineCase{"X=1", {{"Q", "\""}, {"P", "1"}}, "X=1 P=1 Q=\"\"\"\""}));

// A mutex of the installer's name held by a thread of this test until it is told to let go.
class MutexHolder {
public:
    explicit MutexHolder(bool abandon)
        : thread_([this, abandon] {
              HANDLE mutex = OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, "Global\\_MSIExecute");
              // Bounded, so that a mutex kept by someone else fails the test instead of hanging it.
              const DWORD result = WaitForSingleObject(mutex, 5000);
              held_ = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
              ready_ = true;
              while (!letGo_) {
                  Sleep(1);
              }
              if (held_ && !abandon) {
                  ReleaseMutex(mutex);
              }
              CloseHandle(mutex);
          }) {
        while (!ready_) {
            Sleep(1);
        }
    }
    // Whether the holder got the mutex.
    bool held() const { return held_; }
    // Lets go (releases, or ends the thread still owning the mutex) and waits for that.
    void letGo() {
        letGo_ = true;
        thread_.join();
    }
    ~MutexHolder() {
        if (thread_.joinable()) {
            letGo();
        }
    }

private:
    std::atomic<bool> ready_{false};
    std::atomic<bool> held_{false};
    std::atomic<bool> letGo_{false};
    std::thread thread_;
};

// Whether some other thread can take the mutex at once, i.e. nobody owns it.
bool mutexIsFree() {
    bool free = false;
    std::thread([&] {
        HANDLE mutex = OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, "Global\\_MSIExecute");
        const DWORD result = WaitForSingleObject(mutex, 0);
        free = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
        if (free) {
            ReleaseMutex(mutex);
        }
        CloseHandle(mutex);
    }).join();
    return free;
}

TEST(WaitForInstallationCompletion, nothingRunningReturnsAtOnceSilently) {
    const auto records = recordsOf([] { EXPECT_TRUE(msi::waitForInstallationCompletion(0)); });
    EXPECT_TRUE(records.empty());
}

TEST(WaitForInstallationCompletion, waitsForTheInstallerMutexAndGivesItBack) {
    const HANDLE mutex = CreateMutexA(nullptr, FALSE, "Global\\_MSIExecute");
    ASSERT_NE(mutex, nullptr);

    {
        const auto records = recordsOf([] { EXPECT_TRUE(msi::waitForInstallationCompletion(0)); });
        EXPECT_TRUE(records.empty()) << "a poll writes no line";
        EXPECT_TRUE(mutexIsFree());
    }
    {
        MutexHolder holder(false);
        ASSERT_TRUE(holder.held()) << "a wait of ours kept the mutex";
        auto records = recordsOf([] { EXPECT_FALSE(msi::waitForInstallationCompletion(50)); });
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].level, "INFO");
        EXPECT_EQ(records[0].message, "finish waiting for mutex: 258");
        EXPECT_FALSE(msi::waitForInstallationCompletion(0));
        holder.letGo();
        records = recordsOf([] { EXPECT_TRUE(msi::waitForInstallationCompletion(1000)); });
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].message, "finish waiting for mutex: 0");
        EXPECT_TRUE(mutexIsFree());
    }
    {
        MutexHolder holder(true);
        ASSERT_TRUE(holder.held()) << "a wait of ours kept the mutex";
        holder.letGo();  // the holder ends while owning the mutex
        const auto records = recordsOf([] { EXPECT_TRUE(msi::waitForInstallationCompletion(1000)); });
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].message, "finish waiting for mutex: 128");
        EXPECT_TRUE(mutexIsFree());
    }
    CloseHandle(mutex);
}

}  // namespace

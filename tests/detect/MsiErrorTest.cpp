#include "detect/MsiError.h"

#include <gtest/gtest.h>
#include <msiquery.h>

#include <string>

#include "detect/MsiHandle.h"
#include "diag/ErrorText.h"
#include "support/ChildProcess.h"
#include "support/LogCapture.h"

namespace {

using testsupport::recordsOf;

std::string systemDirectory() {
    char buffer[MAX_PATH];
    const UINT length = GetSystemDirectoryA(buffer, MAX_PATH);
    return std::string(buffer, length);
}

// Puts a message library of our own in place of the installer's for the test's life
// (the test runs in a Wine prefix of its own) and puts the original back afterwards.
class MessageLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        original_ = GetFileAttributesA(library_.c_str()) != INVALID_FILE_ATTRIBUTES;
        if (original_) {
            ASSERT_TRUE(MoveFileA(library_.c_str(), saved_.c_str())) << GetLastError();
        }
    }
    void TearDown() override {
        DeleteFileA(library_.c_str());
        if (original_) {
            MoveFileA(saved_.c_str(), library_.c_str());
        }
    }

    // Our stand-in with the text of 1605, built next to this test program.
    void installStandIn() {
        const std::string self = testsupport::selfPath();
        const std::string standIn = self.substr(0, self.find_last_of('\\') + 1) + "msi_test_messages.dll";
        ASSERT_TRUE(CopyFileA(standIn.c_str(), library_.c_str(), FALSE)) << standIn << ": " << GetLastError();
    }

    const std::string library_ = systemDirectory() + "\\msimsg.dll";
    const std::string saved_ = library_ + ".saved";
    bool original_ = false;
};

TEST_F(MessageLibraryTest, statusTextFromTheMessageLibrary) {
    installStandIn();
    std::string message;
    const auto records = recordsOf([&] { message = msi::makeMessage("Call failed", 1605); });
    EXPECT_EQ(message, "Call failed. MSI error [1605](This action is only valid for products that are currently installed.)");
    EXPECT_TRUE(records.empty());

    const msi::Error error("MsiX(1) failed", 1605);
    EXPECT_EQ(error.status(), 1605);
    EXPECT_EQ(std::string(error.what()), "MsiX(1) failed. MSI error [1605](This action is only valid for products that are currently installed.)");
}

TEST_F(MessageLibraryTest, missingTextsLeaveTheBareStatus) {
    installStandIn();
    // 1603 shares the block of 1605 but has no text: nothing to report.
    const auto empty = recordsOf([] { EXPECT_EQ(msi::makeMessage("Call:", 1603), "Call: MSI error [1603]"); });
    EXPECT_TRUE(empty.empty());

    // 5000 lies in a block the library lacks: the failed lookup is logged.
    const auto missing = recordsOf([] { EXPECT_EQ(msi::makeMessage("Call", 5000), "Call. MSI error [5000]"); });
    ASSERT_EQ(missing.size(), 1u);
    EXPECT_EQ(missing[0].level, "ERROR");
    EXPECT_EQ(missing[0].function, "msi::makeMessage");
    EXPECT_TRUE(missing[0].message.starts_with("Exception with message '")) << missing[0].message;
    EXPECT_NE(missing[0].message.find("cannot find resource (name='#5000', type='#6')"), std::string::npos)
        << missing[0].message;
}

TEST_F(MessageLibraryTest, missingLibraryIsLogged) {
    HMODULE probe = LoadLibraryExA(library_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (probe != nullptr) {
        FreeLibrary(probe);
        GTEST_SKIP() << "the system still loads " << library_ << " after it was moved away";
    }
    const DWORD code = GetLastError();
    std::string message;
    const auto records = recordsOf([&] { message = msi::makeMessage("Call failed", 1605); });
    EXPECT_EQ(message, "Call failed. MSI error [1605]");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].level, "ERROR");
    EXPECT_EQ(records[0].function, "msi::makeMessage");
    EXPECT_EQ(records[0].message, "LoadLibraryExW(" + library_ + ") failed with " + systemErrorText(code));
}

TEST(MsiHandleTest, closingLogsFailuresAndNeverLeaks) {
    const auto none = recordsOf([] {
        msi::closeMSIHANDLE(0);
        msi::closeDatabaseView(0);
    });
    EXPECT_TRUE(none.empty());

    const auto bogus = recordsOf([] { msi::closeMSIHANDLE(0xDEAD); });
    ASSERT_EQ(bogus.size(), 1u);
    EXPECT_EQ(bogus[0].level, "WARNING");
    EXPECT_EQ(bogus[0].message, "MsiCloseHandle(57005) failed with error=6");

    // A record is no view: MsiViewClose fails, and the handle is closed all the same.
    const MSIHANDLE record = MsiCreateRecord(1);
    ASSERT_NE(record, 0u);
    const auto view = recordsOf([&] { msi::closeDatabaseView(record); });
    ASSERT_EQ(view.size(), 1u);
    EXPECT_EQ(view[0].level, "WARNING");
    EXPECT_EQ(view[0].function, "msi::closeDatabaseView");
    EXPECT_EQ(view[0].message, "MsiViewClose(" + std::to_string(record) + ") failed with error=6");
    EXPECT_EQ(MsiCloseHandle(record), static_cast<UINT>(ERROR_INVALID_HANDLE)) << "the handle is still open";
}

TEST(MsiHandleTest, holdersCloseOnScopeExit) {
    MSIHANDLE handle = 0;
    {
        msi::AutoMSIHANDLE record(MsiCreateRecord(1));
        handle = record.get();
        ASSERT_NE(handle, 0u);
    }
    EXPECT_EQ(MsiCloseHandle(handle), static_cast<UINT>(ERROR_INVALID_HANDLE));
}

}  // namespace

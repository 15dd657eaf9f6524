#include "win/HandleClose.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "diag/ErrorText.h"
#include "diag/Logger.h"
#include "diag/tstrings.h"
#include "support/LogRecords.h"
#include "win/AutoHandle.h"

namespace {

bool isOpen(HANDLE handle) {
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) != 0;
}

TEST(HandleCloseTest, NoHandleMeansNoCallAndNoRecord) {
    const auto records = testsupport::recordsAddedBy(Logger::instance().path(), [] {
        // A call to CloseHandle would replace this last error.
        SetLastError(12345);
        closeHANDLE(INVALID_HANDLE_VALUE);
        closeHANDLE(nullptr);
        closeRegHandle(nullptr);
        EXPECT_EQ(GetLastError(), 12345u);
    });
    EXPECT_TRUE(records.empty());
}

TEST(HandleCloseTest, FailedClosesAreLoggedNotThrown) {
    const auto bogusHandle = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x7ff4));
    const auto bogusKey = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x7ff8));
    const auto records = testsupport::recordsAddedBy(Logger::instance().path(), [&] {
        closeHANDLE(bogusHandle);
        closeRegHandle(bogusKey);
    });
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].level, "ERROR");
    EXPECT_EQ(records[0].function, "closeHANDLE");
    EXPECT_EQ(records[0].message, tstrings::unsafe_format("CloseHandle(%p) failed with ", bogusHandle) +
                                      systemErrorText(ERROR_INVALID_HANDLE));
    EXPECT_EQ(records[1].level, "ERROR");
    EXPECT_EQ(records[1].function, "closeRegHandle");
    EXPECT_EQ(records[1].message,
              tstrings::unsafe_format("RegCloseKey(%p) failed with ", static_cast<void*>(bogusKey)) +
                  systemErrorText(ERROR_INVALID_HANDLE));
}

TEST(AutoHandleTest, ClosesItsHandleOnce) {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    const auto records = testsupport::recordsAddedBy(Logger::instance().path(), [&] {
        AutoHandle owner(event);
        EXPECT_TRUE(owner.valid());
        AutoHandle moved = std::move(owner);
        EXPECT_FALSE(owner.valid());
        EXPECT_EQ(moved.get(), event);
        EXPECT_TRUE(isOpen(event));
    });
    EXPECT_FALSE(isOpen(event));
    EXPECT_TRUE(records.empty());

    EXPECT_FALSE(AutoHandle(INVALID_HANDLE_VALUE).valid());
    HANDLE kept = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    {
        AutoHandle owner(kept);
        EXPECT_EQ(owner.release(), kept);
    }
    EXPECT_TRUE(isOpen(kept));
    CloseHandle(kept);
}

TEST(AutoHandleTest, RegistryKeyIsReceivedAndClosed) {
    AutoRegKey key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\VeskTest", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              key.receive(), nullptr),
              ERROR_SUCCESS);
    ASSERT_TRUE(key.valid());
    const HKEY raw = key.get();
    key.reset();
    EXPECT_FALSE(key.valid());
    // The old key is closed: using it fails.
    EXPECT_EQ(RegSetValueExA(raw, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2),
              ERROR_INVALID_HANDLE);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\VeskTest");
}

}  // namespace

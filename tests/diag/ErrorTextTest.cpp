#include <gtest/gtest.h>
#include <windows.h>

#include <oleauto.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "diag/ComError.h"
#include "diag/ErrorText.h"
#include "diag/Logger.h"
#include "diag/SysError.h"
#include "diag/VdsError.h"
#include "support/LogRecords.h"

namespace {

// What the system says about `code`, without the final period and line break. Wine's
// texts differ from Windows', so the expectation is taken from the running system.
std::string describe(DWORD code) {
    char* buffer = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    if (length == 0) {
        return "No description available";
    }
    std::string text(buffer, length);
    LocalFree(buffer);
    while (!text.empty() &&
           (text.back() == '.' || text.back() == ' ' || text.back() == '\r' || text.back() == '\n')) {
        text.pop_back();
    }
    return text;
}

struct JoinCase {
    std::string a;
    std::string b;
    std::string joined;
};

TEST(ErrorTextTest, JoinRule) {
    const std::vector<JoinCase> cases = {
        {"CreateFileA(x) failed", "System error [2]", "CreateFileA(x) failed. System error [2]"},
        {"Cannot open:", "detail", "Cannot open: detail"},
        {"Cannot open.", "detail", "Cannot open. detail"},
        {"a;", "b", "a; b"},
        {"a,", "b", "a, b"},
        {"a!", "b", "a! b"},
        {"a?", "b", "a? b"},
        {"a)", "b", "a). b"},
        {"  padded \t\r\n", " \n detail  ", "  padded. detail"},
        {"", "detail", "detail"},
        {" \t", " detail ", "detail"},
        {"message", "", "message"},
        {"message:  ", "   ", "message:"},
        {"", "", ""},
    };
    for (const JoinCase& c : cases) {
        EXPECT_EQ(joinMessages(c.a, c.b), c.joined) << "'" << c.a << "' + '" << c.b << "'";
    }
}

TEST(ErrorTextTest, SystemErrorText) {
    const std::string description = describe(ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(description.empty());
    EXPECT_EQ(systemErrorDescription(ERROR_FILE_NOT_FOUND), description);
    EXPECT_EQ(systemErrorText(ERROR_FILE_NOT_FOUND), "system error 2 (" + description + ")");
    EXPECT_NE(systemErrorDescription(ERROR_FILE_NOT_FOUND).back(), '.');
    EXPECT_EQ(systemErrorDescription(0x20001234), "No description available");
}

TEST(ErrorTextTest, SysErrorWithTheSystemTable) {
    const SysError error("CreateFileA(C:\\missing.txt) failed", nullptr, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(std::string(error.what()),
              "CreateFileA(C:\\missing.txt) failed. System error [2](system error 2 (" +
                  describe(ERROR_FILE_NOT_FOUND) + "))");
    EXPECT_EQ(error.code(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(ErrorTextTest, SysErrorWithTheModuleOfTheFailingFunction) {
    const SysError error("Cannot open:", CreateFileA, ERROR_ACCESS_DENIED);
    EXPECT_EQ(std::string(error.what()),
              "Cannot open: System error [5](system error 5 (" + describe(ERROR_ACCESS_DENIED) + "))");
}

TEST(ErrorTextTest, SysErrorWithAnAddressOutsideEveryModule) {
    const std::string& log = Logger::instance().path();
    const std::uint64_t start = testsupport::fileSize(log);
    const auto* nowhere = reinterpret_cast<const void*>(0x10);
    const SysError error("Call failed", nowhere, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(std::string(error.what()), "Call failed. System error [2]");

    const std::vector<testsupport::LogRecord> records = testsupport::readLogRecords(log, start);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].level, "WARNING");
    EXPECT_EQ(records[0].function, "makeMessage");
    EXPECT_EQ(records[0].message, "GetModuleHandleEx() failed for 0x10 address.");
}

TEST(ErrorTextTest, ComErrorOfAWrappedWindowsError) {
    const ComError error("SHGetFolderPath(0x23, mode=1)", static_cast<HRESULT>(0x80070005));
    EXPECT_EQ(std::string(error.what()),
              "SHGetFolderPath(0x23, mode=1): COM error 0x80070005 (" + describe(ERROR_ACCESS_DENIED) + ")");
    EXPECT_EQ(error.hresult(), static_cast<HRESULT>(0x80070005));
    EXPECT_EQ(comErrorPart(E_FAIL), "COM error 0x80004005 (" + describe(static_cast<DWORD>(E_FAIL)) + ")");
}

TEST(ErrorTextTest, ComErrorTakesTheThreadsErrorDescription) {
    ICreateErrorInfo* creator = nullptr;
    ASSERT_EQ(CreateErrorInfo(&creator), S_OK);
    wchar_t description[] = L"The link is broken";
    creator->SetDescription(description);
    IErrorInfo* info = nullptr;
    ASSERT_EQ(creator->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)), S_OK);
    ASSERT_EQ(SetErrorInfo(0, info), S_OK);
    info->Release();
    creator->Release();

    const ComError described("IPersistFile.Save(x.lnk) failed", E_FAIL);
    EXPECT_EQ(std::string(described.what()),
              "IPersistFile.Save(x.lnk) failed: " + comErrorPart(E_FAIL) + " - The link is broken");
    // Taking the description clears it; the next error has none.
    const ComError plain("again", E_FAIL);
    EXPECT_EQ(std::string(plain.what()), "again: " + comErrorPart(E_FAIL));
}

TEST(ErrorTextTest, VdsErrorPlacesTheTextAndKeepsTheBase) {
    const int line = __LINE__ + 2;
    try {
        VDS_THROW(SysError, "SysInfo::getSystemDirectory", "GetSystemDirectoryA() failed", nullptr, 5);
    } catch (const SysError& error) {
        EXPECT_EQ(error.code(), 5u);
        EXPECT_EQ(std::string(error.what()),
                  "ErrorTextTest.cpp(" + std::to_string(line) +
                      ") at SysInfo::getSystemDirectory(): GetSystemDirectoryA() failed. " +
                      "System error [5](system error 5 (" + describe(5) + "))");
    }
    try {
        throw VdsError<ComError>(SourceLocation{"/src/platform/SysInfo.cpp", "SysInfo::f", 9}, "call",
                                 E_FAIL);
    } catch (const ComError& error) {
        EXPECT_EQ(error.hresult(), E_FAIL);
        EXPECT_EQ(std::string(error.what()), "SysInfo.cpp(9) at SysInfo::f(): call: " + comErrorPart(E_FAIL));
    }
    const VdsError<std::invalid_argument> original(SourceLocation{"a\\b.cpp", "f", 1},
                                                   std::invalid_argument("bad"));
    const VdsError<std::invalid_argument> copy = original;
    EXPECT_STREQ(copy.what(), "b.cpp(1) at f(): bad");
    EXPECT_THROW(throw copy, std::invalid_argument);
}

}  // namespace

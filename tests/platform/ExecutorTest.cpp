#include "platform/Executor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "diag/ErrorText.h"
#include "diag/Logger.h"
#include "support/ChildProcess.h"
#include "support/LogRecords.h"
#include "support/TempFolder.h"

namespace {

constexpr const char* childName = "platform_exec_child.exe";

std::string childFolder() {
    const std::string self = testsupport::selfPath();
    return self.substr(0, self.find_last_of('\\'));
}

std::string childPath() { return childFolder() + "\\" + childName; }

// The log records written from now on.
class LogWatch {
public:
    std::vector<testsupport::LogRecord> records() const {
        return testsupport::readLogRecords(Logger::instance().path(), start_);
    }

    std::vector<std::string> messages(const std::string& level) const {
        std::vector<std::string> found;
        for (const testsupport::LogRecord& record : records()) {
            if (record.level == level) {
                found.push_back(record.function + ": " + record.message);
            }
        }
        return found;
    }

private:
    std::uint64_t start_ = testsupport::fileSize(Logger::instance().path());
};

// What the child reports about how it was started.
class ChildReport {
public:
    ChildReport() { SetEnvironmentVariableA("VESK_EXEC_CHILD_REPORT", path().c_str()); }
    ~ChildReport() { SetEnvironmentVariableA("VESK_EXEC_CHILD_REPORT", nullptr); }

    std::string path() const { return folder_.file("report.txt"); }
    std::string text() const { return testsupport::readFileText(path()); }

private:
    testsupport::TempFolder folder_;
};

struct CommandLineCase {
    const char* name;
    std::string applicationPath;
    std::string arguments;
    std::string expectedPath;
    std::string expectedCommandLine;
};

class CommandLineTest : public testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLineTest, BuildsTheCommandLine) {
    const CommandLineCase& c = GetParam();
    Executor executor(c.applicationPath);
    executor.setArguments(c.arguments);
    EXPECT_EQ(executor.applicationPath(), c.expectedPath);
    EXPECT_EQ(executor.commandLine(), c.expectedCommandLine);
}

const std::string vunpack = R"(C:\Program Files\Vesk\bin\vunpack.exe)";

INSTANTIATE_TEST_SUITE_P(
    Forms, CommandLineTest,
    testing::Values(
        CommandLineCase{"BareProgramNameFirst", "bspatch.exe", "bspatch.exe base new patch", "bspatch.exe",
                        R"("bspatch.exe" base new patch)"},
        CommandLineCase{"QuotedProgramPathFirst", vunpack, "\"" + vunpack + "\" -Xshare:dump  x", vunpack,
                        "\"" + vunpack + "\" -Xshare:dump  x"},
        CommandLineCase{"AnythingElse", vunpack, "\t-r \"a.pack\" \"a.jar\" ", vunpack,
                        "\"" + vunpack + "\" -r \"a.pack\" \"a.jar\""},
        CommandLineCase{"PathLaterInTheArguments", "a.exe", "-x a.exe", "a.exe", R"("a.exe" -x a.exe)"},
        CommandLineCase{"BlankArguments", vunpack, " \t ", vunpack, "\"" + vunpack + "\""},
        CommandLineCase{"PathGivenInQuotes", " \t\"" + vunpack + "\" ", "", vunpack, "\"" + vunpack + "\""}),
    [](const testing::TestParamInfo<CommandLineCase>& info) { return std::string(info.param.name); });

TEST(ExecutorTest, BlankApplicationPathThrows) {
    try {
        Executor executor(" \t ");
        FAIL() << "no ExecutorError";
    } catch (const Executor::ExecutorError& error) {
        EXPECT_STREQ(error.what(), "applicationPath is empty");
    }
}

struct ChildLineCase {
    const char* name;
    std::string applicationPath;
    std::string arguments;
    std::string expectedCommandLine;
};

class ChildCommandLineTest : public testing::TestWithParam<ChildLineCase> {};

// The child receives the command line exactly, hidden, and its INFO line names it.
TEST_P(ChildCommandLineTest, ChildSeesTheCommandLine) {
    const ChildLineCase& c = GetParam();
    ASSERT_TRUE(SetCurrentDirectoryA(childFolder().c_str()));
    ChildReport report;
    LogWatch log;

    EXPECT_EQ(Executor::ExecProcessWaitForFinish(c.applicationPath, c.arguments), 0u);

    EXPECT_EQ(report.text(), c.expectedCommandLine + "\nflags=1 show=0\n");
    const std::vector<std::string> info = log.messages("INFO");
    ASSERT_FALSE(info.empty());
    EXPECT_EQ(info.front(), "Executor::startExecution: Executor.exec(): " + c.expectedCommandLine);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ChildCommandLineTest,
    testing::Values(ChildLineCase{"BareProgramNameFirst", childName, std::string(childName) + " exit 0",
                                  "\"" + std::string(childName) + "\" exit 0"},
                    ChildLineCase{"QuotedProgramPathFirst", childPath(), "\"" + childPath() + "\" exit 0",
                                  "\"" + childPath() + "\" exit 0"},
                    ChildLineCase{"AnythingElse", childPath(), "exit 0", "\"" + childPath() + "\" exit 0"},
                    ChildLineCase{"BlankArguments", childPath(), " \t", "\"" + childPath() + "\""},
                    ChildLineCase{"PathGivenInQuotes", "\"" + childPath() + "\"", "exit 0",
                                  "\"" + childPath() + "\" exit 0"}),
    [](const testing::TestParamInfo<ChildLineCase>& info) { return std::string(info.param.name); });

TEST(ExecutorTest, ExitCodeComesBack) {
    for (const DWORD code : {3ul, 610017ul}) {
        LogWatch log;
        EXPECT_EQ(Executor::ExecProcessWaitForFinish(childPath(), "exit " + std::to_string(code)), code);
        const std::vector<std::string> expected = {
            "Executor::startExecution: Executor.exec(): \"" + childPath() + "\" exit " + std::to_string(code),
            "Executor::finishExecution: Executor.finishExecution(): WaitForSingleObject exited with code 0",
            "Executor::finishExecution: Executor.finishExecution(): ExitCode = " + std::to_string(code)};
        EXPECT_EQ(log.messages("INFO"), expected);
        EXPECT_TRUE(log.messages("ERROR").empty());
    }
}

TEST(ExecutorTest, MissingProgramGivesTheWindowsError) {
    testsupport::TempFolder folder;
    LogWatch log;
    EXPECT_EQ(Executor::ExecProcessWaitForFinish(folder.file("missing.exe"), "a b"),
              DWORD{ERROR_FILE_NOT_FOUND});
    const std::vector<std::string> expected = {"Executor::exec: Executor.exec(): CreateProcess failed with " +
                                               systemErrorText(ERROR_FILE_NOT_FOUND)};
    EXPECT_EQ(log.messages("ERROR"), expected);
}

TEST(ExecutorTest, BlankPathGives1627AndOneErrorLine) {
    LogWatch log;
    EXPECT_EQ(Executor::ExecProcessWaitForFinish(" \t", childPath()), 1627u);
    const std::vector<testsupport::LogRecord> records = log.records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].level, "ERROR");
    EXPECT_EQ(records[0].function, "Executor::ExecProcessWaitForFinish");
    EXPECT_EQ(records[0].message,
              "ExecutorError in Executor::ExecProcessWaitForFinish applicationPath is empty");
}

// A process opened by id, to watch a child after the executor let go of it.
AutoHandle openProcess(DWORD id) {
    AutoHandle process(
        OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, id));
    if (!process) {
        throw std::runtime_error("OpenProcess failed with error " + std::to_string(GetLastError()));
    }
    return process;
}

TEST(ExecutorTest, TimeOutTerminatesTheChild) {
    Executor executor(childPath());
    executor.setArguments("sleep 60000");
    executor.setHideWindow(1);
    executor.setWaitForExit(1);
    executor.setTimeout(200);
    LogWatch log;
    ASSERT_TRUE(executor.startExecution());
    const AutoHandle child = openProcess(executor.processId());

    EXPECT_EQ(executor.finishExecution(), DWORD{WAIT_TIMEOUT});

    ASSERT_EQ(WaitForSingleObject(child.get(), 10000), WAIT_OBJECT_0);
    DWORD exitCode = 0;
    ASSERT_TRUE(GetExitCodeProcess(child.get(), &exitCode));
    EXPECT_EQ(exitCode, 1u);
    const std::vector<std::string> expected = {
        "Executor::startExecution: Executor.exec(): \"" + childPath() + "\" sleep 60000",
        "Executor::finishExecution: Executor.finishExecution(): WaitForSingleObject exited with code 258",
        "Executor::finishExecution: Executor.finishExecution(): The timeout is elapsed. Terminating "
        "Process."};
    EXPECT_EQ(log.messages("INFO"), expected);
}

TEST(ExecutorTest, WithoutWaitingTheChildKeepsRunning) {
    Executor executor(childPath());
    executor.setArguments("sleep 60000");
    LogWatch log;
    EXPECT_EQ(executor.exec(), 0u);
    EXPECT_TRUE(executor.started());

    const AutoHandle child = openProcess(executor.processId());
    EXPECT_EQ(WaitForSingleObject(child.get(), 0), DWORD{WAIT_TIMEOUT});
    TerminateProcess(child.get(), 0);
    EXPECT_EQ(log.messages("INFO").size(), 1u);
}

TEST(ExecutorTest, FinishingWithoutAStartFails) {
    Executor executor(childPath());
    LogWatch log;
    EXPECT_EQ(executor.finishExecution(), DWORD{ERROR_INVALID_HANDLE});
    EXPECT_EQ(log.messages("ERROR").size(), 1u);
}

// Window messages that arrive while the child runs reach their window, ANSI or Unicode.
class MessagePumpTest : public testing::TestWithParam<bool> {
protected:
    static constexpr UINT pingMessage = WM_APP + 7;
    static inline int pings = 0;

    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == pingMessage) {
            ++pings;
            return 0;
        }
        return IsWindowUnicode(window) ? DefWindowProcW(window, message, wParam, lParam)
                                       : DefWindowProcA(window, message, wParam, lParam);
    }

    HWND createWindow(bool unicode) {
        if (unicode) {
            WNDCLASSW windowClass{};
            windowClass.lpfnWndProc = windowProcedure;
            windowClass.lpszClassName = L"VeskExecutorTestW";
            RegisterClassW(&windowClass);
            return CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   nullptr, nullptr);
        }
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = windowProcedure;
        windowClass.lpszClassName = "VeskExecutorTestA";
        RegisterClassA(&windowClass);
        return CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               nullptr, nullptr);
    }
};

TEST_P(MessagePumpTest, DispatchesWhileWaiting) {
    const bool unicode = GetParam();
    const HWND window = createWindow(unicode);
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(IsWindowUnicode(window) != FALSE, unicode);
    pings = 0;
    ASSERT_TRUE(PostMessageA(window, pingMessage, 0, 0));
    ASSERT_TRUE(PostMessageA(window, pingMessage, 0, 0));

    Executor executor(childPath());
    executor.setArguments("sleep 300");
    executor.setPumpMessages(true);
    EXPECT_EQ(executor.exec(), 0u);

    EXPECT_EQ(pings, 2);
    DestroyWindow(window);
}

INSTANTIATE_TEST_SUITE_P(Windows, MessagePumpTest, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "Unicode" : "Ansi");
                         });

}  // namespace

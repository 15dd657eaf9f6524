// The deployment library bridge against the testbed's deploy.dll in a product home of
// each case's own: what crosses the boundary, what is logged, and which of the returned
// commands run.
#include "integrate/Deploy.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "DeployHome.h"
#include "diag/SysError.h"
#include "integrate/DeployHints.h"
#include "support/FolderLink.h"
#include "support/LogCapture.h"
#include "support/TestFiles.h"

namespace {

using deploytest::DeployHome;
using deploytest::loadConfig;
using testsupport::LogRecord;

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::vector<std::string> messagesAt(const std::vector<LogRecord>& records, const std::string& level) {
    std::vector<std::string> messages;
    for (const LogRecord& record : records) {
        if (record.level == level) {
            messages.push_back(record.message);
        }
    }
    return messages;
}

// The messages at `level` that start with `prefix`.
std::vector<std::string> messagesStartingWith(const std::vector<LogRecord>& records, const std::string& level,
                                              const std::string& prefix) {
    std::vector<std::string> messages;
    for (const std::string& message : messagesAt(records, level)) {
        if (message.rfind(prefix, 0) == 0) {
            messages.push_back(message);
        }
    }
    return messages;
}

// The text of the exception that `action` throws; a failure when it throws none.
std::string failureOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& error) {
        return error.what();
    }
    ADD_FAILURE() << "no exception";
    return {};
}

void install(const DeployHome& home, const InstallConfigData& config) {
    Deploy(home.product()).install(config);
}

// A configuration without keys that concern the library, loaded once.
const InstallConfigData& defaultConfig() {
    static const std::unique_ptr<InstallConfigData> config = loadConfig(L"");
    return *config;
}

void install(const DeployHome& home) { install(home, defaultConfig()); }

// The records that an install with the default configuration writes; `failure` gets the
// text of what it threw (empty when it threw nothing).
std::vector<LogRecord> recordsOfInstall(const DeployHome& home, std::string& failure) {
    const InstallConfigData& config = defaultConfig();
    failure.clear();
    return testsupport::recordsOf([&] {
        try {
            install(home, config);
        } catch (const std::exception& error) {
            failure = error.what();
        }
    });
}

// The same for an install that must not fail.
std::vector<LogRecord> recordsOfInstall(const DeployHome& home) {
    std::string failure;
    std::vector<LogRecord> records = recordsOfInstall(home, failure);
    EXPECT_EQ(failure, "");
    return records;
}

// The TRACE messages without those of loading the libraries.
std::vector<std::string> traceAfterLoading(const std::vector<LogRecord>& records) {
    std::vector<std::string> trace;
    for (const std::string& message : messagesAt(records, "TRACE")) {
        if (message.rfind("Loading ", 0) != 0) {
            trace.push_back(message);
        }
    }
    return trace;
}

// The call text of a registration with default hints.
std::string defaultCallText(const DeployHome& home, const char* entryPoint) {
    return home.bin("deploy.dll") + "@" + entryPoint +
           "(InstallHints(size=56; version=4), version=0, command count=20) returned ";
}

std::string replaced(std::string text, const std::string& placeholder, const std::string& value) {
    for (std::size_t at = text.find(placeholder); at != std::string::npos; at = text.find(placeholder, at)) {
        text.replace(at, placeholder.size(), value);
        at += value.size();
    }
    return text;
}

void makeFile(const std::string& path) { testsupport::writeFileText(path, "content"); }

bool exists(const std::string& path) { return testsupport::pathExists(path); }

// The hints text of records that no configuration can make.

InstallHints hintsWith(const std::function<void(InstallHints&)>& change) {
    InstallHints hints = DeployHints::defaults();
    change(hints);
    return hints;
}

TEST(DeployHintsText, NamesEveryChangedFieldInItsOrder) {
    struct Case {
        const char* name;
        InstallHints hints;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"fresh", DeployHints::defaults(), "InstallHints(size=56; version=4)"},
        {"every field", hintsWith([](InstallHints& h) {
             h.reserved = 9;  // never shown
             h.webVesk = 1;
             h.securityLevel = 1;
             h.installType = 2;
             h.userWebVeskStatus = 1;
             h.userPreviousDecisionsExist = 1;
             h.clearUserPreviousDecisions = 1;
             h.resetUserPreviousDecisions = 1;
             h.systemConfig = 1;
             h.daysOld = 30;
             h.systemConfigParam = L"C:\\cfg \u00fc";
         }),
         "InstallHints(size=56; version=4; installType=POST_INSTALL_OPERATION; forceInstall=ENABLE_WEB_VESK; "
         "securityLevel=SECURITY_LEVEL_VERYHIGH; userWebVeskStatus=CHECK_PARAMETER_VALUE; "
         "userPreviousDecisionsExist=CHECK_PARAMETER_VALUE; "
         "clearUserPreviousDecisions=CHECK_PARAMETER_VALUE; "
         "resetUserPreviousDecisions=CHECK_PARAMETER_VALUE; daysOld=30; systemConfig=CHECK_PARAMETER_VALUE; "
         "systemConfigParam=\"C:\\cfg \xc3\xbc\")"},
        {"values without names", hintsWith([](InstallHints& h) {
             h.size = 12;
             h.version = 3;
             h.installType = 3;
             h.webVesk = -1;
             h.securityLevel = 5;
             h.userWebVeskStatus = 2;
             h.systemConfig = 7;
             h.daysOld = -4;
         }),
         "InstallHints(size=12; version=3; installType=3; forceInstall=-1; securityLevel=5; "
         "userWebVeskStatus=2; "
         "daysOld=-4; systemConfig=7)"},
        {"low and disabled", hintsWith([](InstallHints& h) {
             h.webVesk = 2;
             h.securityLevel = 4;
         }),
         "InstallHints(size=56; version=4; forceInstall=DISABLE_WEB_VESK; securityLevel=SECURITY_LEVEL_LOW)"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DeployHints::describe(c.hints), c.text) << c.name;
    }
}

// The configuration counts from low up, the hints from very high down; the configuration's
// rules admit no other values, so only the mapping itself can meet one.
TEST(DeployHintsText, SecurityLevelOfTheConfiguration) {
    EXPECT_EQ(DeployHints::securityLevel(1), 4);
    EXPECT_EQ(DeployHints::securityLevel(2), 3);
    EXPECT_EQ(DeployHints::securityLevel(3), 2);
    EXPECT_EQ(DeployHints::securityLevel(4), 1);
    for (const int unexpected : {0, 5, -1}) {
        const std::string text = failureOf([&] { DeployHints::securityLevel(unexpected); });
        EXPECT_TRUE(contains(text, ") at Deploy::install(): Unexpected value of WEB_VESK_SECURITY_LEVEL=" +
                                       std::to_string(unexpected)))
            << text;
    }
}

// What the configuration sends: the record that deploy.dll received (its call log) and
// the call text in the log.
struct HintsCase {
    const char* name;
    const wchar_t* arguments;
    int webVesk;
    int securityLevel;
    std::string hintsText;
};

class DeployHints : public ::testing::TestWithParam<HintsCase> {};

TEST_P(DeployHints, OfTheConfiguration) {
    const HintsCase& c = GetParam();
    const DeployHome home;
    const auto config = loadConfig(c.arguments);
    const auto records = testsupport::recordsOf([&] { install(home, *config); });

    EXPECT_EQ(home.callLog(),
              "RegisterDeployEx size=56 version=4 reserved=0 webVesk=" + std::to_string(c.webVesk) +
                  " securityLevel=" + std::to_string(c.securityLevel) +
                  " installType=0 userWebVeskStatus=0 userPreviousDecisionsExist=0 "
                  "clearUserPreviousDecisions=0 resetUserPreviousDecisions=0 systemConfig=0 "
                  "daysOld=0 systemConfigParam=(null) commands.version=0 commands.maxCmds=20 "
                  "commands.cmdCnt=0 commands.cmds=set result=TRUE returned=0\n");
    const std::string callText = home.bin("deploy.dll") + "@RegisterDeployEx(" + c.hintsText +
                                 ", version=0, command count=20) returned TRUE; command count=0";
    EXPECT_EQ(messagesStartingWith(records, "TRACE", home.bin("deploy.dll") + "@"),
              std::vector<std::string>{callText});
}

INSTANTIATE_TEST_SUITE_P(
    Keys, DeployHints,
    ::testing::Values(HintsCase{"none", L"", 0, 0, "InstallHints(size=56; version=4)"},
                      HintsCase{"low", L"WEB_VESK_SECURITY_LEVEL=L", 0, 4,
                                "InstallHints(size=56; version=4; securityLevel=SECURITY_LEVEL_LOW)"},
                      HintsCase{"medium", L"WEB_VESK_SECURITY_LEVEL=M", 0, 3,
                                "InstallHints(size=56; version=4; securityLevel=SECURITY_LEVEL_MEDIUM)"},
                      HintsCase{"high", L"WEB_VESK_SECURITY_LEVEL=H", 0, 2,
                                "InstallHints(size=56; version=4; securityLevel=SECURITY_LEVEL_HIGH)"},
                      HintsCase{"veryHigh", L"WEB_VESK_SECURITY_LEVEL=VH", 0, 1,
                                "InstallHints(size=56; version=4; securityLevel=SECURITY_LEVEL_VERYHIGH)"},
                      HintsCase{"veryHighByNumber", L"WEB_VESK_SECURITY_LEVEL=4", 0, 1,
                                "InstallHints(size=56; version=4; securityLevel=SECURITY_LEVEL_VERYHIGH)"},
                      HintsCase{"webVeskEnabled", L"WEB_VESK=Enable", 1, 0,
                                "InstallHints(size=56; version=4; forceInstall=ENABLE_WEB_VESK)"},
                      HintsCase{"webVeskDisabled", L"WEB_VESK=Disable", 2, 0,
                                "InstallHints(size=56; version=4; forceInstall=DISABLE_WEB_VESK)"},
                      HintsCase{"both", L"WEB_VESK=1 WEB_VESK_SECURITY_LEVEL=M", 1, 3,
                                "InstallHints(size=56; version=4; forceInstall=ENABLE_WEB_VESK; "
                                "securityLevel=SECURITY_LEVEL_MEDIUM)"}),
    [](const ::testing::TestParamInfo<HintsCase>& info) { return std::string(info.param.name); });

// The result of the entry point and the texts that tell it.

TEST(DeployCall, TrueIsLoggedWithTheCommandCountAndFalseThrows) {
    const DeployHome home;
    home.behave("command 7\ncommand 7\n[UnregisterDeployEx]\nresult FALSE\n");
    const auto records = recordsOfInstall(home);
    EXPECT_EQ(messagesStartingWith(records, "TRACE", home.bin("deploy.dll") + "@"),
              std::vector<std::string>{defaultCallText(home, "RegisterDeployEx") + "TRUE; command count=2"});

    const std::string text = failureOf([&] { Deploy(home.product()).uninstall(); });
    const std::string expected =
        ") at `anonymous-namespace'::call(): " + defaultCallText(home, "UnregisterDeployEx") + "FALSE";
    ASSERT_GE(text.size(), expected.size()) << text;
    EXPECT_EQ(text.substr(text.size() - expected.size()), expected);
    EXPECT_EQ(text.rfind("Deploy.cpp(", 0), 0u) << text;
    EXPECT_TRUE(contains(home.callLog(), "UnregisterDeployEx size=56 version=4 reserved=0 webVesk=0"));
}

// A library without the entry points (a C-runtime stand-in in deploy.dll's place).
TEST(DeployCall, MissingEntryPointIsNamed) {
    const DeployHome home;
    ASSERT_TRUE(CopyFileA(home.bin("vcruntime140.dll").c_str(), home.bin("deploy.dll").c_str(), FALSE));
    Deploy deploy(home.product());
    EXPECT_TRUE(contains(failureOf([&] { deploy.install(defaultConfig()); }),
                         "RegisterDeployEx() function is not available in " + home.bin("deploy.dll")));
    EXPECT_TRUE(contains(failureOf([&] { deploy.uninstall(); }),
                         "UnregisterDeployEx() function is not available in " + home.bin("deploy.dll")));
}

TEST(DeployCall, LibrariesAreFreedWithTheBridge) {
    const DeployHome home;
    {
        const Deploy deploy(home.product());
        EXPECT_NE(GetModuleHandleA(home.bin("deploy.dll").c_str()), nullptr);
    }
    EXPECT_EQ(GetModuleHandleA(home.bin("deploy.dll").c_str()), nullptr);
}

// Loading the runtime's libraries.

TEST(DeployLoading, EveryFileFromTheRuntimeBinFolderInOrder) {
    const DeployHome home;
    const auto records = testsupport::recordsOf([&] { const Deploy deploy(home.product()); });
    std::vector<std::string> expected;
    for (const std::string& name : DeployHome::libraries()) {
        expected.push_back("Loading " + home.bin(name) + "...");
    }
    EXPECT_EQ(messagesStartingWith(records, "TRACE", "Loading "), expected);
}

// A file that is missing, or is no plain file, ends the loading there: deploy.dll is never
// loaded, and no library is searched for in its place (Wine has builtins of these names).
TEST(DeployLoading, ACRuntimeFileThatIsNoPlainFileFailsBeforeDeployDll) {
    struct Case {
        const char* name;
        bool folder;
        DWORD code;
    };
    for (const Case& c : {Case{"api-ms-win-core-errorhandling-l1-1-0.dll", false, ERROR_FILE_NOT_FOUND},
                          Case{"ucrtbase.dll", false, ERROR_FILE_NOT_FOUND},
                          Case{"msvcp140.dll", false, ERROR_FILE_NOT_FOUND},
                          Case{"vcruntime140.dll", true, 336 /* directory not supported */}}) {
        SCOPED_TRACE(c.name);
        const DeployHome home;
        ASSERT_TRUE(DeleteFileA(home.bin(c.name).c_str()));
        if (c.folder) {
            ASSERT_TRUE(CreateDirectoryA(home.bin(c.name).c_str(), nullptr));
        }
        std::string text;
        DWORD code = 0;
        const auto records = testsupport::recordsOf([&] {
            try {
                const Deploy deploy(home.product());
                ADD_FAILURE() << "loaded without " << c.name;
            } catch (const SysError& error) {
                text = error.what();
                code = error.code();
            }
        });
        EXPECT_EQ(code, c.code);
        EXPECT_TRUE(contains(text, ") at loadLibrary(): LoadLibraryW(" + home.bin(c.name) + ") failed."))
            << text;
        const std::vector<std::string> loading = messagesStartingWith(records, "TRACE", "Loading ");
        ASSERT_FALSE(loading.empty());
        EXPECT_EQ(loading.back(), "Loading " + home.bin(c.name) + "...");
        EXPECT_EQ(GetModuleHandleA(home.bin("deploy.dll").c_str()), nullptr);
        EXPECT_FALSE(home.called());
    }
}

// The command count against the capacity, and a record that the library rewrites. {file}
// is a file that the one command in this program's array deletes, {other} one that only
// a command of the library's own array names.
struct CountCase {
    const char* name;
    const char* behaviour;
    std::string error;  // empty: the commands run
    const char* reportedCount;
};

class DeployCommandCount : public ::testing::TestWithParam<CountCase> {};

TEST_P(DeployCommandCount, OnlyThisProgramsArrayAndCapacityCount) {
    const CountCase& c = GetParam();
    const DeployHome home;
    makeFile(home.file("file.txt"));
    makeFile(home.file("other.txt"));
    home.behave(
        replaced(replaced(c.behaviour, "{file}", home.file("file.txt")), "{other}", home.file("other.txt")));

    std::string text;
    const auto records = recordsOfInstall(home, text);
    EXPECT_EQ(messagesStartingWith(records, "TRACE", home.bin("deploy.dll") + "@"),
              std::vector<std::string>{defaultCallText(home, "RegisterDeployEx") +
                                       "TRUE; command count=" + c.reportedCount});
    if (c.error.empty()) {
        EXPECT_EQ(text, "");
        EXPECT_FALSE(exists(home.file("file.txt")));
    } else {
        EXPECT_TRUE(contains(text, ") at `anonymous-namespace'::call(): " + c.error)) << text;
        EXPECT_TRUE(exists(home.file("file.txt")));
        EXPECT_TRUE(messagesStartingWith(records, "TRACE", "InstallCommand(").empty());
    }
    EXPECT_TRUE(exists(home.file("other.txt")));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DeployCommandCount,
    ::testing::Values(CountCase{"TwentyOne", "command 2 {file}\ncount 21\n",
                                "cmds.cmdCnt=21 should be less or equal to cmds.maxCmds=20", "21"},
                      CountCase{"Negative", "command 2 {file}\ncount -1\n",
                                "cmds.cmdCnt=-1 should be less or equal to cmds.maxCmds=20", "-1"},
                      CountCase{"MostNegative", "command 2 {file}\ncount -2147483648\n",
                                "cmds.cmdCnt=-2147483648 should be less or equal to cmds.maxCmds=20",
                                "-2147483648"},
                      CountCase{"RaisedCapacity", "command 2 {file}\ncount 21\nrewrite maxCmds 1000\n",
                                "cmds.cmdCnt=21 should be less or equal to cmds.maxCmds=20", "21"},
                      CountCase{"LoweredCapacity", "command 2 {file}\nrewrite maxCmds 0\n", "", "1"},
                      CountCase{"NullArray", "command 2 {file}\nrewrite cmds null\n", "", "1"},
                      CountCase{"ArrayOfTheLibrary",
                                "command 2 {file}\nrewrite cmds own\nown 2 {other}\nown 2 {other}\n", "",
                                "1"}),
    [](const ::testing::TestParamInfo<CountCase>& info) { return std::string(info.param.name); });

TEST(DeployCommandCount, AFullArrayRunsEveryCommand) {
    const DeployHome home;
    std::string behaviour;
    for (int i = 0; i < Deploy::commandCapacity; ++i) {
        makeFile(home.file(std::to_string(i) + ".txt"));
        behaviour += "command 2 " + home.file(std::to_string(i) + ".txt") + "\n";
    }
    home.behave(behaviour);
    install(home);
    for (int i = 0; i < Deploy::commandCapacity; ++i) {
        EXPECT_FALSE(exists(home.file(std::to_string(i) + ".txt"))) << i;
    }
}

// The commands: deletes of plain files run, everything else is only logged, and a delete
// that is refused ends the commands.

std::string commandText(const std::string& type, const std::string& dst) {
    return "InstallCommand(type=" + type + "; query_type=0; src=<null>; dst=" + dst +
           "; okAction=0 [ignored]; failAction=0 [ignored]; optional=0)";
}

TEST(DeployCommands, PlainFilesAreDeletedByTheirUtf16Names) {
    const DeployHome home;
    makeFile(home.file("plain.txt"));
    makeFile(home.file("read-only.txt"));
    ASSERT_TRUE(SetFileAttributesA(home.file("read-only.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    // A name that no ANSI code page holds: only its UTF-16 form reaches it.
    const std::wstring wideName =
        std::wstring(home.path().begin(), home.path().end()) + L"\\\u0416\u03a9\u4e2d.txt";
    const std::string utf8Name = home.path() + "\\\xd0\x96\xce\xa9\xe4\xb8\xad.txt";
    {
        const HANDLE file = CreateFileW(wideName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        CloseHandle(file);
    }
    home.behave("command 2 " + home.file("plain.txt") + "\ncommand 2 " + home.file("read-only.txt") +
                "\ncommand 2 " + utf8Name + "\n");

    const auto records = recordsOfInstall(home);
    EXPECT_FALSE(exists(home.file("plain.txt")));
    EXPECT_FALSE(exists(home.file("read-only.txt")));
    EXPECT_EQ(GetFileAttributesW(wideName.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(traceAfterLoading(records),
              (std::vector<std::string>{
                  defaultCallText(home, "RegisterDeployEx") + "TRUE; command count=3",
                  commandText("2", home.file("plain.txt")), "Deleted [" + home.file("plain.txt") + "] file",
                  commandText("2", home.file("read-only.txt")),
                  "Discarded R/O attribute from [" + home.file("read-only.txt") + "] file",
                  "Deleted [" + home.file("read-only.txt") + "] file", commandText("2", utf8Name),
                  "Deleted [" + utf8Name + "] file"}));
    EXPECT_TRUE(messagesAt(records, "WARNING").empty());
}

// Every spelling of a full path that names the file itself reaches it: the long-path
// prefix, "." and "..", forward slashes and another case.
TEST(DeployCommands, SpellingsOfTheFullPathAreDeleted) {
    const DeployHome home;
    ASSERT_TRUE(CreateDirectoryA(home.file("sub").c_str(), nullptr));
    std::string upper = home.file("case.txt");
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](char c) { return static_cast<char>(toupper(c)); });
    std::string slashes = home.file("slashes.txt");
    std::replace(slashes.begin(), slashes.end(), '\\', '/');
    const std::vector<std::pair<std::string, std::string>> spellings = {
        {"prefixed.txt", "\\\\?\\" + home.file("prefixed.txt")},
        {"dots.txt", home.file("sub\\.\\..\\dots.txt")},
        {"slashes.txt", slashes},
        {"case.txt", upper},
    };
    std::string behaviour;
    for (const auto& [name, spelling] : spellings) {
        makeFile(home.file(name));
        behaviour += "command 2 " + spelling + "\n";
    }
    home.behave(behaviour);
    install(home);
    for (const auto& [name, spelling] : spellings) {
        EXPECT_FALSE(exists(home.file(name))) << spelling;
    }
}

// A short (8.3) name of the file is another spelling of its path, not a link.
TEST(DeployCommands, AShortNameIsDeleted) {
    const DeployHome home;
    makeFile(home.file("a rather long name.text"));
    char shortName[MAX_PATH] = {};
    const DWORD length = GetShortPathNameA(home.file("a rather long name.text").c_str(), shortName, MAX_PATH);
    ASSERT_GT(length, 0u);
    ASSERT_LT(length, static_cast<DWORD>(MAX_PATH));
    if (home.file("a rather long name.text") == shortName) {
        GTEST_SKIP() << "the file system gives no short name here";
    }
    home.behave("command 2 " + std::string(shortName) + "\n");
    install(home);
    EXPECT_FALSE(exists(home.file("a rather long name.text"))) << shortName;
}

// A delete of a missing file, a delete without a file and other types are only warned
// about; the commands after them run.
TEST(DeployCommands, WhatIsNotCarriedOutIsWarnedAbout) {
    const DeployHome home;
    makeFile(home.file("typed.txt"));
    makeFile(home.file("last.txt"));
    home.behave("command 2 " + home.file("missing.txt") + "\ncommand 2 " +
                home.file("no-folder\\missing.txt") + "\ncommand 2\ncommand 7 " + home.file("typed.txt") +
                "\ncommand 2 " + home.file("last.txt") + "\n");
    const auto records = recordsOfInstall(home);
    EXPECT_EQ(
        messagesAt(records, "WARNING"),
        (std::vector<std::string>{
            "Nothing to delete at [" + home.file("missing.txt") + "]: no such file",
            "Nothing to delete at [" + home.file("no-folder\\missing.txt") + "]: no such file",
            "Not executing DEL Deploy command as 'dst' is not set", "Ignore InstallCommand with type=7"}));
    EXPECT_TRUE(exists(home.file("typed.txt")));
    EXPECT_FALSE(exists(home.file("last.txt")));
    const std::vector<std::string> trace = traceAfterLoading(records);
    EXPECT_NE(std::find(trace.begin(), trace.end(), commandText("2", "<null>")), trace.end());
    EXPECT_NE(std::find(trace.begin(), trace.end(), commandText("7", home.file("typed.txt"))), trace.end());
}

// Deletes that are refused: the exception says why, nothing is deleted, and the command
// after it does not run. {home} is the product home.
TEST(DeployCommands, ARefusedDeleteEndsTheCommands) {
    struct Case {
        std::string dst;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {"relative.txt", "the path is not fully qualified"},
        {"..\\up.txt", "the path is not fully qualified"},
        {"C:drive-relative.txt", "the path is not fully qualified"},
        {"\\rooted.txt", "the path is not fully qualified"},
        {"\\\\.\\C:\\device.txt", "the path is not fully qualified"},
        {"{home}\\folder", "it is a folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dst);
        const DeployHome home;
        ASSERT_TRUE(CreateDirectoryA(home.file("folder").c_str(), nullptr));
        makeFile(home.file("after.txt"));
        const std::string dst = replaced(c.dst, "{home}", home.path());
        home.behave("command 2 " + dst + "\ncommand 2 " + home.file("after.txt") + "\n");
        const std::string text = failureOf([&] { install(home); });
        EXPECT_TRUE(contains(
            text, ") at FileUtils::deleteFileNoFollow(): Refused to delete [" + dst + "]: " + c.reason))
            << text;
        EXPECT_TRUE(exists(home.file("folder")));
        EXPECT_TRUE(exists(home.file("after.txt")));
    }
}

// A folder link in the home, to a folder that holds a file: neither the link nor the file
// reached through it is deleted.
TEST(DeployCommands, LinksAreNeverFollowed) {
    const DeployHome home;
    ASSERT_TRUE(CreateDirectoryA(home.file("real").c_str(), nullptr));
    makeFile(home.file("real\\victim.txt"));
    makeFile(home.file("after.txt"));
    const std::string whyNoLink = testsupport::makeFolderLink(home.file("linked"), home.file("real"));
    if (!whyNoLink.empty()) {
        GTEST_SKIP() << "no folder link can be made here: " << whyNoLink;
    }
    home.behave("command 2 " + home.file("linked\\victim.txt") + "\ncommand 2 " + home.file("after.txt") +
                "\n");
    EXPECT_TRUE(
        contains(failureOf([&] { install(home); }), "Refused to delete [" + home.file("linked\\victim.txt") +
                                                        "]: the file is reached as [" +
                                                        home.file("real\\victim.txt") + "], through a link"));
    EXPECT_TRUE(exists(home.file("real\\victim.txt")));

    // Where a handle does not show the link itself, it is refused as the folder it leads to.
    const bool linkShown = testsupport::handleShowsReparsePoint(home.file("linked"));
    home.behave("command 2 " + home.file("linked") + "\ncommand 2 " + home.file("after.txt") + "\n");
    EXPECT_TRUE(contains(failureOf([&] { install(home); }),
                         "Refused to delete [" + home.file("linked") +
                             "]: " + (linkShown ? "it is a link (reparse point)" : "it is a folder")));
    EXPECT_TRUE(exists(home.file("linked")));
    EXPECT_TRUE(exists(home.file("real\\victim.txt")));
    EXPECT_TRUE(exists(home.file("after.txt")));
    if (!linkShown) {
        GTEST_SKIP()
            << "a handle on a folder link shows no reparse point here (Wine): the link was refused as a "
               "folder, its own refusal is not seen";
    }
}

}  // namespace

// deploy.dll of the testbed: records every hints field it receives, one line per call,
// and answers as the behaviour file beside it says.
#include "DeployRecords.h"
#include "TestbedFiles.h"
#include "support/TempFolder.h"
#include "testbed/TestbedNames.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <vector>

namespace {

constexpr std::uint32_t capacity = 20;
constexpr std::uint32_t untouched = 0xDEADu;

// deploy.dll copied into a folder of its own, so its call log and behaviour file are the test's.
class DeployTest : public ::testing::Test {
protected:
    void SetUp() override {
        testbedfiles::copyFile(testbedfiles::binPath("deploy.dll"), bin.file("deploy.dll"));
        module = LoadLibraryA(bin.file("deploy.dll").c_str());
        ASSERT_NE(nullptr, module) << "error " << GetLastError();
        registerDeploy = reinterpret_cast<DeployEntryPoint>(
            reinterpret_cast<void*>(GetProcAddress(module, "RegisterDeployEx")));
        unregisterDeploy = reinterpret_cast<DeployEntryPoint>(
            reinterpret_cast<void*>(GetProcAddress(module, "UnregisterDeployEx")));
        ASSERT_NE(nullptr, registerDeploy);
        ASSERT_NE(nullptr, unregisterDeploy);
        // One slot more than the capacity, to see that the library stays inside it.
        records.assign(capacity + 1, InstallCommand{});
        records.back().type = untouched;
        commands = InstallCommands{0, capacity, 0, 0, records.data()};
    }
    void TearDown() override {
        if (module) {
            FreeLibrary(module);
        }
    }
    void behave(const std::string& text) {
        testbedfiles::writeFile(bin.file(testbed::deployBehaviour), text);
    }
    std::string callLog() const { return testbedfiles::readFile(bin.file(testbed::deployCallLog)); }

    static InstallHints defaultHints() {
        InstallHints hints{};
        hints.size = sizeof(InstallHints);
        hints.version = 4;
        return hints;
    }

    testsupport::TempFolder bin;
    HMODULE module = nullptr;
    DeployEntryPoint registerDeploy = nullptr;
    DeployEntryPoint unregisterDeploy = nullptr;
    std::vector<InstallCommand> records;
    InstallCommands commands{};
};

TEST_F(DeployTest, RecordsEveryFieldItReceivedOneLinePerCall) {
    InstallHints hints = defaultHints();
    hints.reserved = 7;
    hints.webVesk = 1;
    hints.securityLevel = 3;
    hints.installType = 2;
    hints.userWebVeskStatus = 11;
    hints.userPreviousDecisionsExist = 12;
    hints.clearUserPreviousDecisions = 13;
    hints.resetUserPreviousDecisions = 14;
    hints.systemConfig = 1;
    hints.daysOld = 30;
    hints.systemConfigParam = L"C:\\cfg \u00fc";
    EXPECT_EQ(TRUE, registerDeploy(&hints, &commands));

    InstallHints defaults = defaultHints();
    InstallCommands empty{0, capacity, 0, 0, records.data()};
    EXPECT_EQ(TRUE, unregisterDeploy(&defaults, &empty));

    EXPECT_EQ(
        "RegisterDeployEx size=56 version=4 reserved=7 webVesk=1 securityLevel=3 installType=2 "
        "userWebVeskStatus=11 "
        "userPreviousDecisionsExist=12 clearUserPreviousDecisions=13 resetUserPreviousDecisions=14 "
        "systemConfig=1 "
        "daysOld=30 systemConfigParam=\"C:\\cfg \xc3\xbc\" commands.version=0 commands.maxCmds=20 "
        "commands.cmdCnt=0 "
        "commands.cmds=set result=TRUE returned=0\n"
        "UnregisterDeployEx size=56 version=4 reserved=0 webVesk=0 securityLevel=0 installType=0 "
        "userWebVeskStatus=0 "
        "userPreviousDecisionsExist=0 clearUserPreviousDecisions=0 resetUserPreviousDecisions=0 "
        "systemConfig=0 "
        "daysOld=0 systemConfigParam=(null) commands.version=0 commands.maxCmds=20 commands.cmdCnt=0 "
        "commands.cmds=set result=TRUE returned=0\n",
        callLog());
    EXPECT_EQ(0u, commands.cmdCnt);
}

struct Returned {
    std::uint32_t type;
    std::optional<std::wstring> dst;
};

struct BehaviourCase {
    const char* name;
    const char* behaviour;  // null: no behaviour file
    bool unregister;
    int result;
    std::uint32_t count;
    std::vector<Returned> returned;
    const char* logged;  // the end of the call's log line
};

std::string twentyOneDeletes() {
    std::string text;
    for (int i = 0; i < 21; ++i) {
        text += "command 2 C:\\files\\" + std::to_string(i) + ".txt\n";
    }
    return text;
}

class DeployBehaviourTest : public DeployTest, public ::testing::WithParamInterface<BehaviourCase> {};

TEST_P(DeployBehaviourTest, AnswersAsTheBehaviourFileSays) {
    const BehaviourCase& c = GetParam();
    if (c.behaviour) {
        behave(c.behaviour);
    }
    InstallHints hints = defaultHints();
    EXPECT_EQ(c.result, (c.unregister ? unregisterDeploy : registerDeploy)(&hints, &commands));
    EXPECT_EQ(c.count, commands.cmdCnt);
    for (std::size_t i = 0; i < c.returned.size(); ++i) {
        const InstallCommand& record = records[i];
        EXPECT_EQ(c.returned[i].type, record.type) << "command " << i;
        EXPECT_EQ(nullptr, record.src) << "command " << i;
        if (c.returned[i].dst) {
            ASSERT_NE(nullptr, record.dst) << "command " << i;
            EXPECT_EQ(*c.returned[i].dst, record.dst) << "command " << i;
        } else {
            EXPECT_EQ(nullptr, record.dst) << "command " << i;
        }
    }
    EXPECT_EQ(untouched, records.back().type);
    const std::string line = callLog();
    const std::string ending = std::string(c.logged) + "\n";
    ASSERT_GE(line.size(), ending.size()) << line;
    EXPECT_EQ(ending, line.substr(line.size() - ending.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DeployBehaviourTest,
    ::testing::Values(
        BehaviourCase{"NoFile", nullptr, false, TRUE, 0, {}, "result=TRUE returned=0"},
        BehaviourCase{"False", "result FALSE\n", false, FALSE, 0, {}, "result=FALSE returned=0"},
        BehaviourCase{"Commands",
                      "# a delete with and without a target, and another type\n"
                      "command 2 C:\\Program Files\\Vesk\\old file.txt\n\ncommand 2\ncommand 7 C:\\other\n",
                      false,
                      TRUE,
                      3,
                      {{2, L"C:\\Program Files\\Vesk\\old file.txt"}, {2, std::nullopt}, {7, L"C:\\other"}},
                      "result=TRUE returned=3"},
        BehaviourCase{"SectionOfTheOtherEntryPoint",
                      "[UnregisterDeployEx]\nresult FALSE\n",
                      false,
                      TRUE,
                      0,
                      {},
                      "result=TRUE returned=0"},
        BehaviourCase{"SectionOfThisEntryPoint",
                      "command 2 C:\\both\n[RegisterDeployEx]\ncommand 2 "
                      "C:\\register\n[UnregisterDeployEx]\nresult FALSE\n",
                      true,
                      FALSE,
                      0,
                      {},
                      "result=FALSE returned=0"},
        BehaviourCase{"ReportedCount",
                      "command 2 C:\\a\ncount -1\n",
                      false,
                      TRUE,
                      0xFFFFFFFFu,
                      {{2, L"C:\\a"}},
                      "result=TRUE returned=1 reported=-1"},
        BehaviourCase{"MalformedCount",
                      "count 4294967296\n",
                      false,
                      FALSE,
                      0,
                      {},
                      "result=FALSE error=line 1 of the behaviour file is malformed: count 4294967296"},
        BehaviourCase{"MalformedRewrite",
                      "rewrite cmds elsewhere\n",
                      false,
                      FALSE,
                      0,
                      {},
                      "result=FALSE error=line 1 of the behaviour file is malformed: rewrite cmds elsewhere"},
        BehaviourCase{"Malformed",
                      "result MAYBE\n",
                      false,
                      FALSE,
                      0,
                      {},
                      "result=FALSE error=line 1 of the behaviour file is malformed: result MAYBE"}),
    [](const ::testing::TestParamInfo<BehaviourCase>& info) { return std::string(info.param.name); });

TEST_F(DeployTest, WritesOnlyUpToTheCapacityButCountsEveryCommand) {
    behave(twentyOneDeletes());
    InstallHints hints = defaultHints();
    ASSERT_EQ(TRUE, registerDeploy(&hints, &commands));
    EXPECT_EQ(21u, commands.cmdCnt);
    EXPECT_EQ(std::wstring(L"C:\\files\\19.txt"), records[capacity - 1].dst);
    EXPECT_EQ(untouched, records[capacity].type);
}

// A hostile library: its commands go into the caller's array, then it points the record
// at other commands and claims another capacity.
TEST_F(DeployTest, RewritesTheRecordAsTheBehaviourFileSays) {
    behave("command 2 C:\\mine\nrewrite maxCmds 1000\nrewrite cmds own\nown 2 C:\\theirs\nown 7\n");
    InstallHints hints = defaultHints();
    ASSERT_EQ(TRUE, registerDeploy(&hints, &commands));
    EXPECT_EQ(1u, commands.cmdCnt);
    EXPECT_EQ(1000u, commands.maxCmds);
    ASSERT_NE(records.data(), commands.cmds);
    ASSERT_NE(nullptr, commands.cmds);
    EXPECT_EQ(std::wstring(L"C:\\theirs"), commands.cmds[0].dst);
    EXPECT_EQ(7u, commands.cmds[1].type);
    EXPECT_EQ(nullptr, commands.cmds[1].dst);
    EXPECT_EQ(std::wstring(L"C:\\mine"), records[0].dst);

    behave("command 2 C:\\mine\nrewrite cmds null\n");
    commands = InstallCommands{0, capacity, 0, 0, records.data()};
    ASSERT_EQ(TRUE, registerDeploy(&hints, &commands));
    EXPECT_EQ(nullptr, commands.cmds);
    EXPECT_EQ(capacity, commands.maxCmds);
    EXPECT_EQ(std::wstring(L"C:\\mine"), records[0].dst);
}

TEST_F(DeployTest, RefusesMissingRecords) {
    InstallHints hints = defaultHints();
    EXPECT_EQ(FALSE, registerDeploy(&hints, nullptr));
    EXPECT_EQ(FALSE, registerDeploy(nullptr, &commands));
    const std::string log = callLog();
    EXPECT_NE(std::string::npos, log.find(" commands=(null) result=FALSE"));
    EXPECT_NE(std::string::npos, log.find("RegisterDeployEx hints=(null) commands.version=0"));
}

}  // namespace

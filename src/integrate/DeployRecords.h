#pragma once

// The records that cross into the registration entry points of a runtime's deploy.dll.
// The library is built apart from this program: every offset, width and padding below is
// part of the contract and is checked at compile time.
#include <cstddef>
#include <cstdint>

// What this program tells the library about the install.
struct InstallHints {
    std::int32_t size;           // sizeof(InstallHints)
    std::int32_t version;        // InstallHints::currentVersion
    std::int32_t reserved;       // 0
    std::int32_t webVesk;        // 0 default, 1 enable, 2 disable the web runtime
    std::int32_t securityLevel;  // 0 default, 1 very high, 2 high, 3 medium, 4 low
    std::int32_t installType;    // 0 regular, 1 config, 2 post-install operation
    // Flags: 0 ignore, 1 check the parameter value.
    std::int32_t userWebVeskStatus;
    std::int32_t userPreviousDecisionsExist;
    std::int32_t clearUserPreviousDecisions;
    std::int32_t resetUserPreviousDecisions;
    std::int32_t systemConfig;
    std::int32_t daysOld;
    const wchar_t* systemConfigParam;  // may be null

    static constexpr std::int32_t currentVersion = 4;
};

// One command that the library hands back.
struct InstallCommand {
    static constexpr std::int32_t deleteFile = 2;  // delete the file `dst`

    std::int32_t type;
    std::int32_t optional;
    const wchar_t* src;  // may be null
    const wchar_t* dst;  // may be null
    std::uint64_t okAction;
    std::uint64_t failAction;
    std::int32_t query_type;
    std::int32_t padding;
};

// Where the library writes its commands: this program's array and its capacity.
struct InstallCommands {
    std::int32_t version;  // 0
    std::int32_t maxCmds;  // capacity of `cmds`
    std::int32_t cmdCnt;   // written by the library
    std::int32_t padding;
    InstallCommand* cmds;
};

static_assert(sizeof(InstallHints) == 56);
static_assert(offsetof(InstallHints, size) == 0 && sizeof(InstallHints::size) == 4);
static_assert(offsetof(InstallHints, version) == 4 && sizeof(InstallHints::version) == 4);
static_assert(offsetof(InstallHints, reserved) == 8 && sizeof(InstallHints::reserved) == 4);
static_assert(offsetof(InstallHints, webVesk) == 12 && sizeof(InstallHints::webVesk) == 4);
static_assert(offsetof(InstallHints, securityLevel) == 16 && sizeof(InstallHints::securityLevel) == 4);
static_assert(offsetof(InstallHints, installType) == 20 && sizeof(InstallHints::installType) == 4);
static_assert(offsetof(InstallHints, userWebVeskStatus) == 24 &&
              sizeof(InstallHints::userWebVeskStatus) == 4);
static_assert(offsetof(InstallHints, userPreviousDecisionsExist) == 28 &&
              sizeof(InstallHints::userPreviousDecisionsExist) == 4);
static_assert(offsetof(InstallHints, clearUserPreviousDecisions) == 32 &&
              sizeof(InstallHints::clearUserPreviousDecisions) == 4);
static_assert(offsetof(InstallHints, resetUserPreviousDecisions) == 36 &&
              sizeof(InstallHints::resetUserPreviousDecisions) == 4);
static_assert(offsetof(InstallHints, systemConfig) == 40 && sizeof(InstallHints::systemConfig) == 4);
static_assert(offsetof(InstallHints, daysOld) == 44 && sizeof(InstallHints::daysOld) == 4);
static_assert(offsetof(InstallHints, systemConfigParam) == 48 &&
              sizeof(InstallHints::systemConfigParam) == 8);

static_assert(sizeof(InstallCommand) == 48);
static_assert(offsetof(InstallCommand, type) == 0 && sizeof(InstallCommand::type) == 4);
static_assert(offsetof(InstallCommand, optional) == 4 && sizeof(InstallCommand::optional) == 4);
static_assert(offsetof(InstallCommand, src) == 8 && sizeof(InstallCommand::src) == 8);
static_assert(offsetof(InstallCommand, dst) == 16 && sizeof(InstallCommand::dst) == 8);
static_assert(offsetof(InstallCommand, okAction) == 24 && sizeof(InstallCommand::okAction) == 8);
static_assert(offsetof(InstallCommand, failAction) == 32 && sizeof(InstallCommand::failAction) == 8);
static_assert(offsetof(InstallCommand, query_type) == 40 && sizeof(InstallCommand::query_type) == 4);
static_assert(offsetof(InstallCommand, padding) == 44 && sizeof(InstallCommand::padding) == 4);

static_assert(sizeof(InstallCommands) == 24);
static_assert(offsetof(InstallCommands, version) == 0 && sizeof(InstallCommands::version) == 4);
static_assert(offsetof(InstallCommands, maxCmds) == 4 && sizeof(InstallCommands::maxCmds) == 4);
static_assert(offsetof(InstallCommands, cmdCnt) == 8 && sizeof(InstallCommands::cmdCnt) == 4);
static_assert(offsetof(InstallCommands, padding) == 12 && sizeof(InstallCommands::padding) == 4);
static_assert(offsetof(InstallCommands, cmds) == 16 && sizeof(InstallCommands::cmds) == 8);

// RegisterDeployEx and UnregisterDeployEx: non-zero (TRUE) on success.
using DeployEntryPoint = int __cdecl(InstallHints* hints, InstallCommands* commands);

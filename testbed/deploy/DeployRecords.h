#pragma once

// The records that cross into deploy.dll's registration entry points. Offsets, widths
// and padding are fixed: the installer and the library are built separately.
#include <cstddef>
#include <cstdint>

struct InstallHints {
    std::uint32_t size;
    std::uint32_t version;
    std::uint32_t reserved;
    std::uint32_t webVesk;                     // 0 default, 1 enable, 2 disable
    std::uint32_t securityLevel;               // 0 default, 1 very high .. 4 low
    std::uint32_t installType;                 // 0 regular, 1 config, 2 post-install operation
    std::uint32_t userWebVeskStatus;           // 0 ignore, 1 check the parameter value
    std::uint32_t userPreviousDecisionsExist;  // as above
    std::uint32_t clearUserPreviousDecisions;  // as above
    std::uint32_t resetUserPreviousDecisions;  // as above
    std::uint32_t systemConfig;                // as above
    std::uint32_t daysOld;
    const wchar_t* systemConfigParam;  // may be null
};

struct InstallCommand {
    std::uint32_t type;  // 2 deletes the file `dst`
    std::uint32_t optional;
    const wchar_t* src;  // may be null
    const wchar_t* dst;  // may be null
    std::uint64_t okAction;
    std::uint64_t failAction;
    std::uint32_t queryType;
    std::uint32_t padding;
};

struct InstallCommands {
    std::uint32_t version;
    std::uint32_t maxCmds;  // capacity of `cmds`
    std::uint32_t cmdCnt;   // written by the library; may exceed maxCmds
    std::uint32_t padding;
    InstallCommand* cmds;
};

static_assert(sizeof(InstallHints) == 56);
static_assert(offsetof(InstallHints, size) == 0);
static_assert(offsetof(InstallHints, version) == 4);
static_assert(offsetof(InstallHints, reserved) == 8);
static_assert(offsetof(InstallHints, webVesk) == 12);
static_assert(offsetof(InstallHints, securityLevel) == 16);
static_assert(offsetof(InstallHints, installType) == 20);
static_assert(offsetof(InstallHints, userWebVeskStatus) == 24);
static_assert(offsetof(InstallHints, userPreviousDecisionsExist) == 28);
static_assert(offsetof(InstallHints, clearUserPreviousDecisions) == 32);
static_assert(offsetof(InstallHints, resetUserPreviousDecisions) == 36);
static_assert(offsetof(InstallHints, systemConfig) == 40);
static_assert(offsetof(InstallHints, daysOld) == 44);
static_assert(offsetof(InstallHints, systemConfigParam) == 48 &&
              sizeof(InstallHints::systemConfigParam) == 8);

static_assert(sizeof(InstallCommand) == 48);
static_assert(offsetof(InstallCommand, type) == 0);
static_assert(offsetof(InstallCommand, optional) == 4);
static_assert(offsetof(InstallCommand, src) == 8 && sizeof(InstallCommand::src) == 8);
static_assert(offsetof(InstallCommand, dst) == 16 && sizeof(InstallCommand::dst) == 8);
static_assert(offsetof(InstallCommand, okAction) == 24);
static_assert(offsetof(InstallCommand, failAction) == 32);
static_assert(offsetof(InstallCommand, queryType) == 40);
static_assert(offsetof(InstallCommand, padding) == 44);

static_assert(sizeof(InstallCommands) == 24);
static_assert(offsetof(InstallCommands, version) == 0);
static_assert(offsetof(InstallCommands, maxCmds) == 4);
static_assert(offsetof(InstallCommands, cmdCnt) == 8);
static_assert(offsetof(InstallCommands, padding) == 12);
static_assert(offsetof(InstallCommands, cmds) == 16 && sizeof(InstallCommands::cmds) == 8);

// Both entry points: int __cdecl (InstallHints*, InstallCommands*), non-zero for success.
using DeployEntryPoint = int(__cdecl*)(InstallHints*, InstallCommands*);

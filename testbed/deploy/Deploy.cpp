// deploy.dll of the testbed runtime: the registration entry points that the installer
// calls after an install and before an uninstall. Each call appends one line with every
// field it received to the call log beside the library and answers as the behaviour
// file beside it says, so tests can see exactly what crossed the boundary and drive
// every branch of the caller.
#include "Behaviour.h"
#include "DeployRecords.h"
#include "testbed/TestbedNames.h"

#include <windows.h>

#include <exception>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

HMODULE self = nullptr;

// The returned command strings must outlive the call: the caller reads them afterwards.
Behaviour lastAnswer;

std::wstring besideLibrary(const char* name) {
    std::wstring path(MAX_PATH, L'\0');
    const DWORD length = GetModuleFileNameW(self, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length);
    path.resize(path.find_last_of(L"\\/") + 1);
    return path + std::wstring(name, name + std::char_traits<char>::length(name));
}

std::string narrow(const wchar_t* text) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, result.data(), length, nullptr, nullptr);
    result.resize(result.empty() ? 0 : result.size() - 1);
    return result;
}

void describeHints(std::ostream& line, const InstallHints* hints) {
    if (!hints) {
        line << " hints=(null)";
        return;
    }
    line << " size=" << hints->size << " version=" << hints->version << " reserved=" << hints->reserved
         << " webVesk=" << hints->webVesk << " securityLevel=" << hints->securityLevel
         << " installType=" << hints->installType << " userWebVeskStatus=" << hints->userWebVeskStatus
         << " userPreviousDecisionsExist=" << hints->userPreviousDecisionsExist
         << " clearUserPreviousDecisions=" << hints->clearUserPreviousDecisions
         << " resetUserPreviousDecisions=" << hints->resetUserPreviousDecisions
         << " systemConfig=" << hints->systemConfig << " daysOld=" << hints->daysOld << " systemConfigParam=";
    if (hints->systemConfigParam) {
        line << '"' << narrow(hints->systemConfigParam) << '"';
    } else {
        line << "(null)";
    }
}

void describeCommands(std::ostream& line, const InstallCommands* commands) {
    if (!commands) {
        line << " commands=(null)";
        return;
    }
    line << " commands.version=" << commands->version << " commands.maxCmds=" << commands->maxCmds
         << " commands.cmdCnt=" << commands->cmdCnt
         << " commands.cmds=" << (commands->cmds ? "set" : "(null)");
}

// The library's own command array, for a behaviour that points the record at it.
std::vector<InstallCommand> ownRecords;

void fill(InstallCommand* records, std::size_t capacity, const std::vector<Behaviour::Command>& commands) {
    for (std::size_t i = 0; i < commands.size() && i < capacity; ++i) {
        const Behaviour::Command& source = commands[i];
        InstallCommand& target = records[i];
        target = InstallCommand{};
        target.type = source.type;
        target.dst = source.hasDst ? source.dst.c_str() : nullptr;
    }
}

// Fills the caller's array up to its capacity; the count tells the whole answer, so a
// behaviour with more commands than fit reports more than maxCmds, as a faulty library
// would. Then the record is rewritten as the behaviour says.
void returnCommands(InstallCommands* commands, const Behaviour& behaviour) {
    if (!commands) {
        return;
    }
    commands->cmdCnt = behaviour.count.value_or(static_cast<std::uint32_t>(behaviour.commands.size()));
    if (commands->cmds) {
        fill(commands->cmds, commands->maxCmds, behaviour.commands);
    }
    if (behaviour.maxCmds) {
        commands->maxCmds = *behaviour.maxCmds;
    }
    switch (behaviour.cmds) {
        case Behaviour::Pointer::Kept:
            break;
        case Behaviour::Pointer::Null:
            commands->cmds = nullptr;
            break;
        case Behaviour::Pointer::Own:
            ownRecords.assign(behaviour.ownCommands.size(), InstallCommand{});
            fill(ownRecords.data(), ownRecords.size(), behaviour.ownCommands);
            commands->cmds = ownRecords.data();
            break;
    }
}

int answer(const char* entryPoint, InstallHints* hints, InstallCommands* commands) {
    std::ostringstream line;
    line << entryPoint;
    describeHints(line, hints);
    describeCommands(line, commands);
    int result = FALSE;
    try {
        lastAnswer = Behaviour::load(besideLibrary(testbed::deployBehaviour), entryPoint);
        // Without the records there is nothing sound to answer.
        result = hints && commands && lastAnswer.result ? TRUE : FALSE;
        if (result) {
            returnCommands(commands, lastAnswer);
        }
        line << " result=" << (result ? "TRUE" : "FALSE")
             << " returned=" << (result ? lastAnswer.commands.size() : 0);
        if (result && commands->cmdCnt != lastAnswer.commands.size()) {
            line << " reported=" << static_cast<std::int32_t>(commands->cmdCnt);
        }
    } catch (const std::exception& e) {
        line << " result=FALSE error=" << e.what();
    }
    std::ofstream(besideLibrary(testbed::deployCallLog).c_str(), std::ios::app | std::ios::binary)
        << line.str() << "\n";
    return result;
}

}  // namespace

extern "C" {

__declspec(dllexport) int __cdecl RegisterDeployEx(InstallHints* hints, InstallCommands* commands) {
    return answer("RegisterDeployEx", hints, commands);
}

__declspec(dllexport) int __cdecl UnregisterDeployEx(InstallHints* hints, InstallCommands* commands) {
    return answer("UnregisterDeployEx", hints, commands);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        self = instance;
    }
    return TRUE;
}

}  // extern "C"

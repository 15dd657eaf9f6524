#include "diag/DebugBreak.h"

#include <string>

#include "diag/ProcessName.h"
#include "diag/tstrings.h"

decltype(&MessageBoxW) debugBreakMessageBox = &MessageBoxW;

void debugBreakIfRequested(const SourceLocation& location, const char* variableName) {
    char value[2];
    // A variable set to an empty value reads as length 0 without touching the last
    // error, so a stale error must not make it look unset.
    SetLastError(ERROR_SUCCESS);
    if (GetEnvironmentVariableA(variableName, value, sizeof value) == 0 &&
        GetLastError() == ERROR_ENVVAR_NOT_FOUND) {
        return;
    }
    const std::string text =
        locationPrefix(location) + "debug break. Reason: environment variable " + variableName + " is set.";
    const std::string caption = "Vesk installer: " + processName();
    debugBreakMessageBox(nullptr, tstrings::toUtf16(text, CP_ACP).c_str(),
                         tstrings::toUtf16(caption, CP_ACP).c_str(),
                         MB_OK | MB_ICONINFORMATION | MB_TASKMODAL);
}

#pragma once

// What the setup manager's integration of a 64-bit runtime environment leaves on the
// machine, read back: the Start-menu shortcuts for all users, the accessibility bridge's
// system copy and registration, and the command path (veskpath and its "Path" entry).
#include <string>

namespace e2e {

// The runtime environment whose integration a scene expects.
struct IntegratedRuntime {
    std::string home;
    bool commandPath;         // new enough for veskpath (1.8.0_20 and later)
    const char* webShortcut;  // the extension of its web shortcuts: ".url" from 1.8.0_60 on, else ".lnk"
};

// Checks that the shortcuts, the bridge and the command path belong to `runtime`. Where
// the system cannot make junctions or internet shortcuts (Wine), it checks what a failed
// step must leave instead: no web shortcut and no veskpath target or "Path" entry.
void expectIntegrationOf(const IntegratedRuntime& runtime);

}  // namespace e2e

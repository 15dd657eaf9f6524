#include "app/InstallerRun.h"
#include "app/ProductionSteps.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE module, HINSTANCE, LPSTR, int) {
    // Libraries are never taken from the current directory.
    SetDllDirectoryA("");
    ProductionSteps steps(module);
    return installer::run(steps, GetCommandLineW());
}

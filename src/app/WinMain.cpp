#include "app/InstallerRun.h"
#include "app/ProductionSteps.h"
#include "win/LibrarySearch.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE module, HINSTANCE, LPSTR, int) {
    LibrarySearch::restrictToSystemFolder();
    ProductionSteps steps(module);
    return installer::run(steps, GetCommandLineW());
}

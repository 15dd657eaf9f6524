// One stand-in for a C-runtime library that the installer loads from the runtime's bin
// folder before deploy.dll. It only has to load; its export tells tests which file it is.
#include <windows.h>

extern "C" {

__declspec(dllexport) const char* testbedStandInName() { return VESK_STANDIN_NAME; }

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

}  // extern "C"

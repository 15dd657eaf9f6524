// The programs of the runtime that the installer only finds, versions or starts without
// caring what they do (vesk, veskws, veskc, veskcpl, vmc, vabswitch): each introduces
// itself and succeeds. VESK_PROGRAM_NAME is set per program by the build.
#include "StandIn.h"

int main() { return standin::introduce(VESK_PROGRAM_NAME); }

#pragma once

// Removes the copies of the runtime's launchers that older runtimes put into the Windows
// system folders ("vesk.exe", "veskw.exe", "veskws.exe"), now or at the next restart,
// when their file version shows that they came from a runtime the image replaces. Older
// copies stay; a copy whose version cannot be read is logged and kept.
void removeStaleLauncherCopies();

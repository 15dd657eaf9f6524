#pragma once

#include <windows.h>

#include <string>

// Ends the process after a Windows call failed in a step that cannot be rolled back: logs
// "<text> failed with error <code>: <system description>" as an ERROR record and shows it
// in a message box (caption "Error") unless the run is `silent` (nobody may be there to
// answer it), then ExitProcess with the thread's last error as exit code. A last error of
// 0 would report success, so the process then exits with ERROR_FUNCTION_FAILED instead.
[[noreturn]] void fatalWin32Error(const std::string& text, bool silent);

// The message box that fatalWin32Error shows; tests replace it to read the text without
// a window.
extern decltype(&MessageBoxA) fatalErrorMessageBox;

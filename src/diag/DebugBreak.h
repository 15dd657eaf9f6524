#pragma once

#include <windows.h>

#include "diag/SourceLocation.h"

// Stops for a developer to attach a debugger when the environment variable
// `variableName` is set (to any value, even an empty one): a task-modal message box
// says where and why, and the call returns once it is closed.
void debugBreakIfRequested(const SourceLocation& location, const char* variableName);

// The message box that debugBreakIfRequested shows; tests replace it to see the box
// without a window.
extern decltype(&MessageBoxW) debugBreakMessageBox;

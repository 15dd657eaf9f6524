#pragma once

#include <windows.h>

namespace testsupport {

// What the system's internet-shortcut object answers when asked for a shell link (the
// interface through which URL shortcuts are made): S_OK where internet shortcuts can be
// made; Wine's object refuses.
HRESULT internetShortcutAsShellLink();

}  // namespace testsupport

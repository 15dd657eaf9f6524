#pragma once

#include <windows.h>

#include <string>

// Why a settings file did not open for reading. The settings library reports every
// failed open alike; whether the file is absent, busy or refused decides what the
// installer may do with it.
namespace fileopenprobe {

// The Windows error of opening `utf8Path` for reading as the settings library does
// (sharing reads and writes); 0 when it opens now.
DWORD readOpenError(const std::string& utf8Path);

// File or folder not there: the file does not exist.
bool isMissing(DWORD error);

// Held by another program for the moment (or open again already): worth another try.
bool isTransient(DWORD error);

}  // namespace fileopenprobe

#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// File access of the zip reader: archive paths are UTF-8 and opened through the wide
// Windows call so that any name works whatever the ANSI code page is.

// CreateFileW of the UTF-8 `path`, sharing read and write, no security attributes, no
// template. A path that does not convert is logged and gives INVALID_HANDLE_VALUE.
HANDLE createFileProxy(const std::string& path, DWORD access, DWORD creationDisposition, DWORD attributes);

// Reads exactly `count` bytes at file position `position` of `file` into `buffer`, each
// read asking at most 2,147,483,647 bytes. False when a read fails or returns 0 bytes.
// Reads name their position, so no seek is needed and none is left behind.
bool readFully(HANDLE file, std::int64_t position, void* buffer, std::int64_t count);

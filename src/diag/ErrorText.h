#pragma once

#include <windows.h>

#include <string>

// The texts every error message is composed of.

// Joins two pieces of a message: "a. b", or "a b" when a already ends in one of ";.,:!?".
// Surrounding white space is dropped; an empty piece leaves the other one alone.
std::string joinMessages(const std::string& a, const std::string& b);

// The system's description of a Windows error code, taken from the message table of
// `module` (or of the system when null), without line breaks or a final period;
// "No description available" when there is none.
std::string systemErrorDescription(DWORD code, HMODULE module = nullptr);

// "system error <code> (<description>)".
std::string systemErrorText(DWORD code, HMODULE module = nullptr);

// "<what> failed with system error <code> (<description>)".
std::string failedWith(const std::string& what, DWORD code);

// "COM error 0x<HRESULT> (<description>)"; a wrapped Windows error is described by its
// Windows error code.
std::string comErrorPart(HRESULT hresult);

#pragma once

// Names of the files through which tests talk to the testbed runtime's programs. Paths
// are relative to the runtime home (the folder that holds bin\ and lib\) unless stated.
namespace testbed {

// The class-data archive that `veskw.exe -Xshare:dump` writes.
inline constexpr const char* classDataArchive = "bin\\server\\classes.vsa";
// When this file exists, `veskw.exe -Xshare:dump` fails (exit 1) and writes no archive;
// its text, if any, is printed as the reason.
inline constexpr const char* classDataFailMarker = "bin\\server\\fail-share-dump";
// The archive whose entries the class-data archive lists.
inline constexpr const char* runtimeArchive = "lib\\rt.vpk";

// Beside deploy.dll: the record of every call (one line each, appended) ...
inline constexpr const char* deployCallLog = "deploy-calls.log";
// ... and the optional file that tells the library how to answer.
inline constexpr const char* deployBehaviour = "deploy-behaviour.txt";

}  // namespace testbed

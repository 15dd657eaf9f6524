#pragma once

#include <windows.h>

#include <string>

#include "platform/SecurityDescriptor.h"

// The file-system helpers every part of the installer uses. Paths are narrow ANSI
// strings for the ...A Windows functions. Successful changes are logged at TRACE;
// strict operations throw VdsError<SysError> (with the Windows error) or
// VdsError<std::runtime_error>; the tolerant ones (try..., deleteFilesIn,
// deleteOnReboot) never throw for a file-system failure, and for all of them a missing
// file or folder counts as deleted.
namespace FileUtils {

// Path pieces: pure text operations that accept '\' and '/' as separators.

// Whether `path` exists and is a folder.
bool isDirectory(const std::string& path);
// Whether `path` exists and is a reparse point (a junction or symbolic link).
bool isReparsePoint(const std::string& path);
// The text up to and including the last separator; empty when there is none.
std::string dirname(const std::string& path);
// The text after the last separator; the whole text when there is none.
std::string basename(const std::string& path);
// The last piece's extension with its dot ("a\b.txt" -> ".txt"); empty when the last
// piece has no dot or is "..".
std::string suffix(const std::string& path);
// `path` without the separators it ends in.
std::string withoutTrailingSeparators(const std::string& path);
// `dir` without trailing separators + '\' + `name` without one leading separator; one
// of them alone when the other is empty.
std::string join(const std::string& dir, const std::string& name);
// Every '/' turned into '\', then lower case: a form for comparing paths.
std::string normalizePath(const std::string& path);
// `path` with its suffix replaced by `newSuffix` (which includes its dot).
std::string replaceSuffix(const std::string& path, const std::string& newSuffix);

// Creating.

// Creates every missing folder of `path`, from the root on; existing folders are fine.
void createDirs(const std::string& path);
// The same for a UTF-16 path, whose names need not fit the ANSI code page (texts show it
// in UTF-8).
void createDirs(const std::wstring& path);
// Creates the parents of `path` and then the folder `path` itself with `descriptor` as
// its security; `path` must not exist yet.
void createDirWithSecurity(const std::string& path, const security::SecurityDescriptor& descriptor);
// Creates a new empty file <prefix><number><suffix> in `dir` and returns its path. A
// prefix or suffix with a character that is illegal in file names throws
// VdsError<std::runtime_error> before anything is touched.
std::string createTempFile(const std::string& dir, const std::string& prefix, const std::string& suffix);
// Creates `path` as a new empty file, or, when that fails (e.g. it exists), a new
// temporary file beside it named after it; returns the path created.
std::string createUniqueFile(const std::string& path);

// Copying, moving, deleting.

// Copies `source` to `target`, creating the target's folders first.
void copyFile(const std::string& source, const std::string& target, bool failIfExists);
// Copies `source` over `target`; when the target cannot be written now (it is in use),
// or when an operation pending for the next restart of Windows deletes or replaces it,
// the copy (also) goes beside it and replaces it at that restart.
void copyPersistentFile(const std::string& source, const std::string& target);
// MoveFileExA with `flags`; an empty target deletes (with MOVEFILE_DELAY_UNTIL_REBOOT:
// at the next restart).
void moveFile(const std::string& source, const std::string& target, DWORD flags);

// Deletes a file, clearing its read-only attribute when that is what stops it. True
// when the file is gone; false leaves the Windows error as the last error.
bool tryDeleteFile(const std::string& path);
void deleteFile(const std::string& path);
// Removes an empty folder (or a folder link). True when it is gone.
bool tryDeleteDirectory(const std::string& path);
void deleteDirectory(const std::string& path);
// Deletes the files directly inside `path`, keeping sub-folders and the folder itself;
// true when all files went.
bool deleteFilesIn(const std::string& path);
// Deletes the folder `path` with everything below it; true when all of it went. A
// junction or symbolic link inside the tree (or `path` itself being one) is removed as
// a link: the content it points to is never touched.
bool tryDeleteTree(const std::string& path);
// The same, but every failure throws.
void deleteTree(const std::string& path);
// Schedules `path` for deletion at the next restart; failures are logged, not thrown.
void deleteOnReboot(const std::string& path);

// What the file or folder open as `file` (named `path` in texts) is: attributes, size,
// number of names. Throws VdsError<SysError> "[<path>] has no file information".
BY_HANDLE_FILE_INFORMATION informationOf(HANDLE file, const std::string& path);

// Security of existing files and folders.

// Sets the DACL of `descriptor` on `path`.
void setPermissions(const std::string& path, const security::SecurityDescriptor& descriptor);
// Sets the owner and/or DACL that `descriptor` carries on `path`.
void setSecurity(const std::string& path, const security::SecurityDescriptor& descriptor);
// The same on the file or folder open as `file` (with WRITE_DAC and, for an owner,
// WRITE_OWNER access), named `path` in texts: what is secured is what is held, whatever
// the path names by now.
void setSecurity(HANDLE file, const std::string& path, const security::SecurityDescriptor& descriptor);

}  // namespace FileUtils

#pragma once

namespace LibrarySearch {

// Narrows the search of every later library load of the process that names no full path
// to the Windows system folder. Without it the search starts beside the program, where a
// user can plant libraries next to a downloaded installer, and the current directory;
// system libraries load helpers such as uxtheme.dll or ntmarta.dll on demand by that
// search. Where Windows lacks the call (Windows 7 without its loader update), only the
// current directory is taken off the search. The entry's first action.
void restrictToSystemFolder();

}  // namespace LibrarySearch

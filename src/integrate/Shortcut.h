#pragma once

#include <windows.h>

#include <shlobj.h>

#include <string>

#include "diag/ComOwners.h"

// One Start-menu shortcut: a shell link (.lnk) to a program, or an internet shortcut to
// a web page, written through the shell's COM objects. Texts are ANSI.
struct Shortcut {
    std::string name;         // display name, the file name without extension
    std::string description;  // the shortcut's comment
    std::string folder;       // where the file goes
    std::string target;       // a program, or a URL
    std::string arguments;    // programs only; may be empty
    std::string extension;    // empty: ".url" for a URL target, ".lnk" otherwise
    std::string icon;         // icon file, index 0

    // Writes the shortcut file. An empty name, description, target or folder throws
    // VdsError<std::logic_error> "Shortcut not configured properly"; a failing COM call
    // throws VdsError<ComError> naming the call.
    void create() const;

    // The shell link to the program `target`, with its arguments.
    ComPtr<IShellLinkA> createLink() const;
    // The internet shortcut to the URL `target`, as a shell link.
    ComPtr<IShellLinkA> createUrl() const;
};

#pragma once

#include <windows.h>

#include <string>

// A loaded library, freed when the object goes away if this object loaded it.
// Movable, not copyable.
class Dll {
public:
    // The library at a full path ("C:\\...", "\\\\server\\..."); the libraries it needs come
    // from its own folder and the system directory only, never from beside this program or
    // the current directory. The path must name a plain file: a missing file, a folder or
    // a link there is refused before anything loads, so no library is ever searched for
    // in its place. Throws VdsError<std::invalid_argument> for a path that is not full and
    // VdsError<SysError> "LoadLibraryW(<path>) failed".
    static Dll load(const std::wstring& path);
    // The same for a UTF-8 path.
    static Dll loadUtf8(const std::string& path);
    // A library of the Windows system directory by its file name ("ntdll.dll",
    // "msi.dll"), it and the libraries it needs taken from the system directory only, so
    // that a library of the same name beside this program is never loaded.
    static Dll loadSystem(const std::string& fileName);
    // A module already loaded in this process, e.g. L"kernel32.dll" (adds a reference);
    // throws VdsError<SysError> "GetModuleHandleExW(<name>) failed".
    static Dll loaded(const std::wstring& name);

    Dll(Dll&& other) noexcept;
    Dll& operator=(Dll&& other) noexcept;
    Dll(const Dll&) = delete;
    Dll& operator=(const Dll&) = delete;
    ~Dll();

    // The address of the exported function `name`. When it is missing, a required
    // function throws VdsError<SysError> "GetProcAddress(<library>, <name>) failed" and
    // an optional one gives null.
    FARPROC getFunction(const std::string& name, bool required) const;

    HMODULE handle() const { return module_; }
    // The path or name the library was loaded by, as UTF-8.
    const std::string& path() const { return path_; }

private:
    Dll(HMODULE module, std::string path);

    HMODULE module_ = nullptr;
    std::string path_;
};

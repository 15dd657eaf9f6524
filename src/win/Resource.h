#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

// One resource of a loaded module, looked up by numeric id and type. Used for the
// string-table entries of this program and of other loaded modules (such as the Windows
// Installer's message library), where a text is addressed by its string id rather than
// by its block.
class Resource {
public:
    // A resource of `type` (RT_STRING unless given) in `module` (null: this program), in
    // `language`; the neutral language 0 picks the one that fits the user interface.
    Resource(UINT id, HMODULE module, LPCSTR type = RT_STRING, LANGID language = 0);

    // The resource's data and its size in bytes. For RT_STRING: the UTF-16 characters of
    // entry `id` (not terminated) and twice their count; an absent entry of an existing
    // block is empty. Throws VdsError<SysError> "cannot find resource (name='#<id>',
    // type='#<type>')" or "cannot load resource ..." when the lookup fails.
    const void* getPtr(std::size_t& size) const;

    // The string-table entry as a narrow string in the ANSI code page.
    std::string getString() const;
    // The string-table entry as it is stored, in UTF-16.
    std::wstring getWideString() const;

private:
    UINT id_;
    HMODULE module_;
    LPCSTR type_;
    LANGID language_;
    // The texts errors name the resource by: "#<decimal>", or a named type as it is.
    std::string name_;
    std::string typeName_;
};

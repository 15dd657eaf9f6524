#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "win/AutoHandle.h"

// One open registry key together with the registry view it was opened in and a printable
// path ("HKLM64\Software\VeskSoft") that every log line and error message uses.
//
// Names and values are narrow strings for the ANSI registry calls. Value names may carry
// a relative sub-key path ("Software\A\Name"). Reads, writes and enumerations throw
// VdsError<SysError> (or VdsError<std::runtime_error>); deletions return the Windows
// error code instead. Successful writes and deletions are logged at TRACE.
class Registry {
public:
    enum Mode { Read = 0, Write = 1, Modify = 2 };

    // Selects the deleteKeyTree form that throws.
    struct Throwing {};
    static constexpr Throwing throwing{};

    // The process-wide root keys; never closed. On 64-bit Windows the names of the view
    // specific roots end in "32" or "64".
    static const Registry HKLM;    // HKEY_LOCAL_MACHINE, default view
    static const Registry HKLM32;  // HKEY_LOCAL_MACHINE, 32-bit view
    static const Registry HKLM64;  // HKEY_LOCAL_MACHINE, 64-bit view
    static const Registry HKCU32;  // HKEY_CURRENT_USER, 32-bit view
    static const Registry HKCU64;  // HKEY_CURRENT_USER, 64-bit view
    static const Registry HKCR;    // HKEY_CLASSES_ROOT, default view, shown as "HKC"

    // Opens `subKey` below `parent` in the parent's view: Read opens an existing key with
    // KEY_READ, Write creates missing keys and opens with KEY_READ | KEY_WRITE, Modify
    // opens an existing key with KEY_READ | KEY_WRITE and never creates one. Throws
    // VdsError<SysError> "open key (<path>) error" at Registry::open.
    Registry(const Registry& parent, const std::string& subKey, Mode mode);

    Registry(Registry&& other) noexcept = default;
    Registry& operator=(Registry&& other) noexcept = default;
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    HKEY handle() const { return key_.get(); }
    // 0, KEY_WOW64_32KEY or KEY_WOW64_64KEY.
    REGSAM view() const { return view_; }
    const std::string& path() const { return path_; }

    // Whether `subKey` can be opened for reading. Never throws.
    bool hasSubkey(const std::string& subKey) const;

    // Whether the value exists (and can be reached); stores its type when `type` is given.
    // Never throws.
    bool hasValue(const std::string& name, DWORD* type = nullptr) const;

    // The raw data of a value and its type.
    std::vector<BYTE> getValue(const std::string& name, DWORD& type) const;

    // A REG_SZ or REG_EXPAND_SZ value (unexpanded), one terminating zero dropped.
    std::string getString(const std::string& name) const;
    // The same, or `defaultValue` when the key or value is missing or of another type.
    std::string getString(const std::string& name, const std::string& defaultValue) const;

    // The raw data of a value read with the wide call (strings in UTF-16) and its type.
    std::vector<BYTE> getWideValue(const std::string& name, DWORD& type) const;

    // A REG_SZ or REG_EXPAND_SZ value read with the wide call (unexpanded), for text that
    // other programs wrote and that the ANSI code page may not hold; `defaultValue` when
    // the key or value is missing or of another type. `name` is ANSI, like every name.
    std::wstring getWideString(const std::string& name, const std::wstring& defaultValue) const;
    // The same, but a missing key or value throws VdsError<SysError> and a value of
    // another type VdsError<std::runtime_error> "query string value (<path>) error: wrong
    // type <type name>"; the type read is stored when `type` is given.
    std::wstring getWideString(const std::string& name, DWORD* type = nullptr) const;

    void setDword(const std::string& name, DWORD value) const;
    void setString(const std::string& name, const std::string& value) const;
    void setExpandString(const std::string& name, const std::string& value) const;
    // REG_SZ and REG_EXPAND_SZ values written with the wide call, for text that the ANSI
    // code page may not hold; `name` is ANSI, like every name.
    void setWideString(const std::string& name, const std::wstring& value) const;
    void setWideExpandString(const std::string& name, const std::wstring& value) const;

    // Windows error code, 0 on success.
    LSTATUS deleteValue(const std::string& name) const;

    // Deletes one key without sub-keys; Windows error code.
    LSTATUS deleteSubkey(const std::string& subKey) const;
    // Deletes a key with its values and descendants; ERROR_FILE_NOT_FOUND when missing.
    LSTATUS deleteKeyTree(const std::string& subKey) const;
    // The same, but a missing or already deleted key counts as success and any other
    // failure throws VdsError<SysError> "delete key tree (<path>) error".
    void deleteKeyTree(const std::string& subKey, Throwing) const;

    // Names in enumeration order.
    std::vector<std::string> getSubkeyNames() const;
    std::vector<std::string> getValueNames() const;

    // "REG_SZ", "REG_DWORD", ... for a registry type; "Unknown" for any other number.
    static std::string typeName(DWORD type);

private:
    // A root key.
    Registry(HKEY predefined, REGSAM view, const std::string& baseName);
    // A child whose key is already open.
    Registry(const Registry& parent, const std::string& subKey, AutoRegKey key);

    std::string childPath(const std::string& name) const;
    LSTATUS openChild(const std::string& subKey, REGSAM access, AutoRegKey& key) const;
    void setStringValue(const std::string& name, const std::string& value, DWORD type, const char* operation,
                        const char* function) const;
    void setWideStringValue(const std::string& name, const std::wstring& value, DWORD type,
                            const char* operation, const char* function) const;

    // For a root, the predefined key, which the owner never closes.
    AutoRegKey key_;
    REGSAM view_ = 0;
    std::string path_;
};

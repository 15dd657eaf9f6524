#include "detect/MsiError.h"

#include <memory>
#include <type_traits>

#include "diag/CatchAndLog.h"
#include "diag/ErrorText.h"
#include "diag/Logger.h"
#include "diag/SysError.h"
#include "diag/VdsError.h"
#include "diag/tstrings.h"
#include "platform/SysInfo.h"

namespace msi {

namespace {

// Entry `id` of the string table of `module` (a library loaded as a data file) in the
// ANSI code page; empty when the entry is empty. A missing table block throws.
std::string loadString(HMODULE module, WORD id) {
    const std::string name = "#" + tstrings::toDecimal(id / 16 + 1);
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(id / 16 + 1), MAKEINTRESOURCEA(6));
    HGLOBAL loaded = resource == nullptr ? nullptr : LoadResource(module, resource);
    if (loaded == nullptr) {
        const DWORD code = GetLastError();
        VDS_THROW(SysError, "msi::makeMessage",
                  std::string(resource == nullptr ? "cannot find resource" : "cannot load resource") +
                      " (name='" + name + "', type='#6')",
                  resource == nullptr ? reinterpret_cast<const void*>(FindResourceA)
                                      : reinterpret_cast<const void*>(LoadResource),
                  code);
    }
    // A block holds 16 entries, each a character count and that many UTF-16 characters.
    const auto* entry = static_cast<const WCHAR*>(LockResource(loaded));
    const DWORD size = SizeofResource(module, resource) / sizeof(WCHAR);
    const WCHAR* const end = entry + size;
    for (int skip = id % 16; skip > 0 && entry < end; --skip) {
        entry += 1 + *entry;
    }
    if (entry >= end || entry + 1 + *entry > end) {
        VDS_THROW(std::runtime_error, "msi::makeMessage",
                  "string table block " + name + " is shorter than entry " + tstrings::toDecimal(id));
    }
    return tstrings::toAnsi(std::wstring(entry + 1, *entry));
}

struct LibraryDeleter {
    void operator()(HMODULE library) const { FreeLibrary(library); }
};
using DataLibrary = std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryDeleter>;

// "(<text of the status>)" from the installer's message library, or nothing.
std::string statusDescription(std::int32_t status) {
    const std::string path = SysInfo::getSystemDirectory() + "\\msimsg.dll";
    const DataLibrary library(
        LoadLibraryExW(tstrings::toUtf16(path, CP_ACP).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!library) {
        const DWORD code = GetLastError();
        LOG_ERROR("msi::makeMessage", tstrings::unsafe_format("%s failed with %s",
                                                              ("LoadLibraryExW(" + path + ")").c_str(),
                                                              systemErrorText(code).c_str()));
        return {};
    }
    std::string description;
    try {
        const std::string text = loadString(library.get(), static_cast<WORD>(status));
        if (!text.empty()) {
            description = "(" + text + ")";
        }
    }
    VDS_CATCH_AND_LOG("msi::makeMessage")
    return description;
}

}  // namespace

std::string makeMessage(const std::string& message, std::int32_t status) {
    std::string detail = "MSI error [" + tstrings::toDecimal(status) + "]";
    try {
        detail += statusDescription(status);
    }
    VDS_CATCH_AND_LOG("msi::makeMessage")
    return joinMessages(message, detail);
}

Error::Error(const std::string& message, std::int32_t status)
    : std::runtime_error(makeMessage(message, status)), status_(status) {}

}  // namespace msi

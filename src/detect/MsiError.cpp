#include "detect/MsiError.h"

#include <memory>
#include <type_traits>

#include "diag/CatchAndLog.h"
#include "diag/ErrorText.h"
#include "diag/Logger.h"
#include "diag/VdsError.h"
#include "diag/tstrings.h"
#include "platform/SysInfo.h"
#include "win/Resource.h"

namespace msi {

namespace {

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
        const std::string text = Resource(static_cast<WORD>(status), library.get()).getString();
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

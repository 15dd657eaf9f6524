#include "diag/SysError.h"

#include "diag/ErrorText.h"
#include "diag/Logger.h"
#include "diag/tstrings.h"

SysError::SysError(const std::string& message, const void* moduleAddress, DWORD code)
    : std::runtime_error(makeMessage(message, moduleAddress, code)), code_(code) {}

std::string SysError::makeMessage(const std::string& message, const void* moduleAddress, DWORD code) {
    std::string part = "System error [" + tstrings::toDecimal(code) + "]";
    HMODULE module = nullptr;
    if (moduleAddress != nullptr && !GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                                            GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                                        static_cast<LPCSTR>(moduleAddress), &module)) {
        LOG_WARNING("makeMessage", "GetModuleHandleEx() failed for " << moduleAddress << " address.");
        return joinMessages(message, part);
    }
    part += "(" + systemErrorText(code, module) + ")";
    return joinMessages(message, part);
}

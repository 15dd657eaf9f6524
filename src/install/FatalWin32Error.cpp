#include "install/FatalWin32Error.h"

#include "diag/LocalBuffer.h"
#include "diag/Logger.h"
#include "diag/tstrings.h"

decltype(&MessageBoxA) fatalErrorMessageBox = &MessageBoxA;

void fatalWin32Error(const std::string& text, bool silent) {
    DWORD code = GetLastError();
    if (code == ERROR_SUCCESS) {
        code = ERROR_FUNCTION_FAILED;
    }

    LocalBuffer<char> description;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(description.receive()), 0,
        nullptr);
    const std::string message =
        tstrings::unsafe_format("%s failed with error %d: %s", text.c_str(), static_cast<int>(code),
                                length != 0 ? description.get() : "");
    // The system's description ends the line itself.
    LOG_ERROR("fatalWin32Error", tstrings::trimRight(message));
    if (!silent) {
        fatalErrorMessageBox(nullptr, message.c_str(), "Error", MB_OK);
    }
    ExitProcess(code);
}

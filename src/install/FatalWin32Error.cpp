#include "install/FatalWin32Error.h"

#include "diag/tstrings.h"

decltype(&MessageBoxA) fatalErrorMessageBox = &MessageBoxA;

void fatalWin32Error(const std::string& text) {
    DWORD code = GetLastError();
    if (code == ERROR_SUCCESS) {
        code = ERROR_FUNCTION_FAILED;
    }

    char* description = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&description), 0, nullptr);
    const std::string message = tstrings::unsafe_format(
        "%s failed with error %d: %s", text.c_str(), static_cast<int>(code), length != 0 ? description : "");
    if (description != nullptr) {
        LocalFree(description);
    }
    fatalErrorMessageBox(nullptr, message.c_str(), "Error", MB_OK);
    ExitProcess(code);
}

#include "diag/ComError.h"

#include <oleauto.h>

#include "diag/ErrorText.h"
#include "diag/tstrings.h"

namespace {

// Takes the thread's COM error object (which clears it) and returns its description.
std::string takeErrorInfoDescription() {
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) != S_OK || info == nullptr) {
        return {};
    }
    BSTR description = nullptr;
    std::string text;
    if (SUCCEEDED(info->GetDescription(&description)) && description != nullptr) {
        text = tstrings::toUtf8(std::wstring(description, SysStringLen(description)));
        SysFreeString(description);
    }
    info->Release();
    return text;
}

std::string composeText(const std::string& message, HRESULT hresult) {
    std::string text = message + ": " + comErrorPart(hresult);
    const std::string description = takeErrorInfoDescription();
    if (!description.empty()) {
        text += " - " + description;
    }
    return text;
}

}  // namespace

ComError::ComError(const std::string& message, HRESULT hresult)
    : std::runtime_error(composeText(message, hresult)), hresult_(hresult) {}

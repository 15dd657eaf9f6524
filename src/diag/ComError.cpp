#include "diag/ComError.h"

#include "diag/ComOwners.h"
#include "diag/ErrorText.h"
#include "diag/tstrings.h"

namespace {

// Takes the thread's COM error object (which clears it) and returns its description.
std::string takeErrorInfoDescription() {
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.receive()) != S_OK || !info) {
        return {};
    }
    Bstr description;
    if (FAILED(info->GetDescription(description.receive())) || description.get() == nullptr) {
        return {};
    }
    return tstrings::toUtf8(std::wstring(description.get(), description.length()));
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

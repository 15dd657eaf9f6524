#include "diag/ErrorText.h"

#include "diag/LocalBuffer.h"
#include "diag/tstrings.h"

namespace {

// FormatMessageW with a buffer it allocates; false when there is no text.
bool formatSystemMessage(DWORD code, HMODULE module, std::wstring& text) {
    DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM;
    if (module != nullptr) {
        flags |= FORMAT_MESSAGE_FROM_HMODULE;
    }
    LocalBuffer<wchar_t> buffer;
    const DWORD length =
        FormatMessageW(flags, module, code, 0, reinterpret_cast<LPWSTR>(buffer.receive()), 0, nullptr);
    if (length == 0 || buffer.get() == nullptr) {
        return false;
    }
    text.assign(buffer.get(), length);
    return true;
}

}  // namespace

std::string joinMessages(const std::string& a, const std::string& b) {
    const std::string head = tstrings::trimRight(a);
    const std::string tail = tstrings::trim(b);
    if (head.empty()) {
        return tail;
    }
    if (tail.empty()) {
        return head;
    }
    const bool punctuated = std::string(";.,:!?").find(head.back()) != std::string::npos;
    return head + (punctuated ? " " : ". ") + tail;
}

std::string systemErrorDescription(DWORD code, HMODULE module) {
    std::wstring text;
    if (!formatSystemMessage(code, module, text) &&
        (module == nullptr || !formatSystemMessage(code, nullptr, text))) {
        return "No description available";
    }
    for (wchar_t& c : text) {
        if (c < 32) {
            c = L' ';
        }
    }
    std::wstring::size_type end = text.size();
    while (end > 1 && (text[end - 1] <= L' ' || text[end - 1] == L'.')) {
        --end;
    }
    text.resize(end);
    return tstrings::toUtf8(text);
}

std::string systemErrorText(DWORD code, HMODULE module) {
    return "system error " + tstrings::toDecimal(code) + " (" + systemErrorDescription(code, module) + ")";
}

std::string failedWith(const std::string& what, DWORD code) {
    return what + " failed with " + systemErrorText(code);
}

std::string comErrorPart(HRESULT hresult) {
    const auto value = static_cast<DWORD>(hresult);
    const DWORD lookup = (value & 0x1FFF0000u) == 0x00070000u ? (value & 0xFFFFu) : value;
    return tstrings::unsafe_format("COM error 0x%08lX (%s)", value, systemErrorDescription(lookup).c_str());
}

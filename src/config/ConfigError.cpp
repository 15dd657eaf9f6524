#include "config/ConfigError.h"

#include <array>

#include "config/ConfigSet.h"
#include "config/MessageFormat.h"
#include "diag/Logger.h"
#include "diag/logit.h"
#include "diag/tstrings.h"

decltype(&MessageBoxA) configErrorMessageBox = &MessageBoxA;

namespace configerror {

namespace {

constexpr UINT kCaptionId = 3073;
constexpr UINT kMalformedId = 3079;
constexpr std::size_t kCaptionSize = 256;
constexpr std::size_t kMessageSize = 1024;

// What a code shows: its string, whether the detail goes into the first %s, and whether
// the text is only logged.
struct CodeMessage {
    int code;
    UINT id;
    bool showsDetail;
    bool logOnly;
};

constexpr std::array<CodeMessage, 15> kMessages = {{
    {200, 3082, false, false},
    {300, 3086, false, true},
    {304, 3075, true, false},
    {305, 3078, true, false},
    {306, 3080, false, false},
    {307, 3081, true, false},
    {308, 3083, false, true},
    {309, 3084, false, true},
    {310, 3074, false, false},
    {311, 3077, false, false},
    {312, 3087, false, false},
    {313, kMalformedId, true, false},
    {314, 3076, true, false},
    {315, 3088, true, false},
    {kRejectedParameter, 3089, true, false},
}};

const CodeMessage* messageOf(int code) {
    for (const CodeMessage& entry : kMessages) {
        if (entry.code == code) {
            return &entry;
        }
    }
    return nullptr;
}

// A string of this program in the ANSI code page; empty when it is missing.
std::string loadString(HMODULE module, UINT id, std::size_t size) {
    std::string buffer(size, '\0');
    const int length = LoadStringA(module, id, buffer.data(), static_cast<int>(size));
    buffer.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    return buffer;
}

// Configuration texts are UTF-8; the message is shown by the ANSI message box. Bytes that
// are no UTF-8 at all are shown as they are rather than dropped.
std::string forDisplay(const std::string& utf8) {
    const std::string ansi = tstrings::utf8ToAnsi(utf8);
    return ansi.empty() ? utf8 : ansi;
}

}  // namespace

bool ShowConfigError(HMODULE module, const ConfigSet& set, int code, const std::string& detail, bool silent) {
    if (code == 0) {
        return true;
    }
    const CodeMessage* entry = messageOf(code);
    if (entry == nullptr) {
        LOG_INFO("ShowConfigError", tstrings::unsafe_format("Unknown Error code %d", code));
        return false;
    }
    if (entry->logOnly) {
        logit(loadString(module, entry->id, kMessageSize));
        return false;
    }
    if (entry->id == kMalformedId) {
        return ShowMalformedLine(module, detail, set.firstErrorLine(), silent);
    }
    ShowErrorMessage(module, entry->id, silent, entry->showsDetail ? forDisplay(detail) : std::string(), {});
    return false;
}

bool ShowMalformedLine(HMODULE module, const std::string& detail, std::optional<int> line, bool silent) {
    const std::string lineText = line ? tstrings::toDecimal(*line + 1) : std::string("<line number>");
    ShowErrorMessage(module, kMalformedId, silent, forDisplay(detail), lineText);
    return false;
}

void ShowErrorMessage(HMODULE module, UINT id, bool silent, const std::string& first,
                      const std::string& second) {
    const std::string caption = loadString(module, kCaptionId, kCaptionSize);
    const std::string format = loadString(module, id, kMessageSize);
    const std::string message = messageformat::fill(format, first, second, kMessageSize - 1);
    logit(message);
    if (!silent) {
        configErrorMessageBox(nullptr, message.c_str(), caption.c_str(), MB_ICONERROR);
    }
}

}  // namespace configerror

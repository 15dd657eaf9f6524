#include "detect/MsiAction.h"

#include "detect/MsiError.h"
#include "detect/MsiUtils.h"
#include "diag/CatchAndLog.h"
#include "diag/Logger.h"
#include "diag/VdsError.h"
#include "diag/tstrings.h"

namespace msi {

namespace {

constexpr int installLevel = INSTALLLEVEL_MAXIMUM;  // 65535
constexpr INSTALLSTATE removedState = INSTALLSTATE_ABSENT;  // 2
constexpr const char* blanks = " \t";

// The installer's external UI handler: hands every message to the action's callback and
// lets the installer go on handling it itself.
struct CallbackTrigger {
    static INT WINAPI adapter(LPVOID context, UINT type, LPCWSTR message) {
        if (context != nullptr && message != nullptr) {
            try {
                static_cast<Callback*>(context)->onMessage(type & 0xFF000000u, type & 0x00FFFFFFu,
                                                           tstrings::toUtf8(message));
            }
            VDS_CATCH_AND_LOG("msi::CallbackTrigger::adapter")
        }
        return 0;
    }
};

// Applies the action's UI level, logging and external UI handler, which are settings of
// the whole process, and puts the previous ones back when destroyed.
class StateImpl : public ActionData::State {
public:
    explicit StateImpl(const ActionData& action)
        : previousUiLevel_(MsiSetInternalUI(static_cast<INSTALLUILEVEL>(action.uiLevel), nullptr)) {
        const bool logging = !action.logFile.empty();
        const UINT status = MsiEnableLogA(logging ? INSTALLLOGMODE_VERBOSE : 0,
                                          logging ? action.logFile.c_str() : nullptr, 0);
        if (status != ERROR_SUCCESS) {
            LOG_WARNING("msi::apply", "MsiEnableLog(" << action.logFile << ") failed with error=" << status);
        }
        if (action.callback != nullptr) {
            MsiSetExternalUIW(&CallbackTrigger::adapter, 0xFFFFFFFF, action.callback);
            externalUi_ = true;
        }
    }

    ~StateImpl() override {
        if (externalUi_) {
            MsiSetExternalUIW(nullptr, 0, nullptr);
        }
        MsiEnableLogA(0, nullptr, 0);
        MsiSetInternalUI(previousUiLevel_, nullptr);
    }

    StateImpl(const StateImpl&) = delete;
    StateImpl& operator=(const StateImpl&) = delete;

private:
    INSTALLUILEVEL previousUiLevel_;
    bool externalUi_ = false;
};

// A property value as the installer's command line must carry it to read it back
// unchanged: quotes doubled, and enclosed in quotes when it holds a blank, a tab or a
// quote (an unenclosed "" would read as an empty quoted piece and vanish).
std::string quoteValue(const std::string& value) {
    if (value.empty()) {
        return "\"\"";
    }
    std::string text;
    for (const char c : value) {
        text += c;
        if (c == '"') {
            text += c;
        }
    }
    return value.find_first_of(" \t\"") == std::string::npos ? text : "\"" + text + "\"";
}

std::string makeCommandLine(const ActionData& action) {
    std::string properties;
    for (const auto& [name, value] : action.properties) {
        properties += " " + name + "=" + quoteValue(value);
    }
    properties = tstrings::trim(properties, blanks);
    const std::string base = tstrings::trim(action.baseCommandLine, blanks);
    return base + (base.empty() || properties.empty() ? "" : " ") + properties;
}

}  // namespace

void ActionStatus::throwIt() const {
    VDS_THROW(Error, "msi::ActionStatus::throwIt", message, static_cast<std::int32_t>(status));
}

ActionStatus handleMsiStatus(const Guid& productCode, const std::string& commandLine, std::uint32_t status) {
    const std::string call = "MsiConfigureProductEx(" + productCode.toString() + ", " +
                             tstrings::toDecimal(installLevel) + ", " +
                             tstrings::toDecimal(static_cast<int>(removedState)) + ", " + commandLine + ") ";
    if (status != ERROR_SUCCESS && status != ERROR_SUCCESS_REBOOT_INITIATED && status != ERROR_SUCCESS_REBOOT_REQUIRED) {
        return ActionStatus{call + "failed", status};
    }
    LOG_INFO("msi::handleMsiStatus",
             call << "succeeded" << (status == ERROR_SUCCESS ? "" : " [" + tstrings::toDecimal(status) + "]"));
    return ActionStatus{"", status};
}

std::unique_ptr<ActionData::State> apply(const ActionData& action) {
    if (action.waitTimeout != 0) {
        waitForInstallationCompletion(action.waitTimeout);
    }
    std::unique_ptr<ActionData::State> state = std::make_unique<StateImpl>(action);
    const std::string commandLine = makeCommandLine(action);
    const UINT status = MsiConfigureProductExA(action.productCode.toString().c_str(), installLevel, removedState,
                                               commandLine.c_str());
    const ActionStatus result = handleMsiStatus(action.productCode, commandLine, status);
    if (!result.message.empty()) {
        state.reset();
        result.throwIt();
    }
    return state;
}

}  // namespace msi

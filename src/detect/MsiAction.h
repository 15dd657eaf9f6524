#pragma once

#include <windows.h>
#include <msi.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "win/Guid.h"

namespace msi {

// Receives the messages the installer sends while it configures a product: the message
// type's upper 8 bits (type & 0xFF000000), its lower 24 bits and the text as UTF-8.
class Callback {
public:
    virtual ~Callback() = default;
    virtual void onMessage(std::uint32_t type, std::uint32_t subtype, const std::string& text) = 0;
};

// The result of one configuration call: an empty message on success.
struct ActionStatus {
    std::string message;
    std::uint32_t status = 0;

    // Throws VdsError<msi::Error> with the message and the status.
    [[noreturn]] void throwIt() const;
};

// One product configuration: the product is removed with these settings.
struct ActionData {
    using Properties = std::map<std::string, std::string>;

    // The installer's process-wide settings that apply() changed; destroying the state
    // restores them.
    class State {
    public:
        virtual ~State() = default;
    };

    const Properties& properties;
    std::string baseCommandLine;
    std::uint32_t uiLevel = INSTALLUILEVEL_NONE;  // for MsiSetInternalUI
    Callback* callback = nullptr;                 // none: no external UI handler
    std::string logFile;                          // empty: no log
    std::uint32_t waitTimeout = 0;                // milliseconds; 0: do not wait
    Guid productCode;
};

// Removes the product of `action` (MsiConfigureProductExA with INSTALLSTATE_ABSENT),
// with its UI level, log file, external UI callback and command line. The command line
// is the base command line and the properties, each " NAME=value", with values quoted
// so that the installer reads them back unchanged. On success the installer settings
// stay in force until the returned state is destroyed; on failure they are restored and
// VdsError<msi::Error> is thrown.
std::unique_ptr<ActionData::State> apply(const ActionData& action);

// The outcome of MsiConfigureProductEx(productCode, 65535, 2, commandLine) that returned
// `status`: 0, 1641 (reboot initiated) and 3010 (reboot required) succeed and are logged
// as an INFO line; any other status gives the failure message.
ActionStatus handleMsiStatus(const Guid& productCode, const std::string& commandLine, std::uint32_t status);

}  // namespace msi

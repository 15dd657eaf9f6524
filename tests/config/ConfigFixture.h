#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "config/InstallConfigData.h"

namespace configtest {

// The runtime settings file of this machine (ANSI; the folder names are ASCII).
std::string runtimeSettingsPath();

// One message box that ShowErrorMessage asked for.
struct ShownBox {
    std::string text;
    std::string caption;
    UINT style = 0;
};

// Catches the message boxes of the configuration instead of showing them.
class BoxRecorder {
public:
    BoxRecorder();
    ~BoxRecorder();
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;

    const std::vector<ShownBox>& boxes() const;
};

// English message `id` of this test program's string tables with its %s places filled.
std::string message(UINT id, const std::string& first = {}, const std::string& second = {});

// Each test starts and ends without a runtime settings file and records every box.
class ConfigTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A new configuration object of this program (strings from its own module).
    std::unique_ptr<InstallConfigData> makeConfig(bool enterprise = true);
    // Loads `arguments` (after a program name) into a new configuration; the result in
    // `result`.
    std::unique_ptr<InstallConfigData> load(const std::wstring& arguments, int& result,
                                            bool enterprise = true);

    // Writes the runtime settings file (its folder made as needed).
    void writeRuntimeSettings(const std::string& content);
    std::string readRuntimeSettings() const;
    bool runtimeSettingsExist() const;

    BoxRecorder boxes;
};

}  // namespace configtest

#include "ConfigFixture.h"

#include <stdexcept>

#include "config/ConfigError.h"
#include "config/MessageFormat.h"
#include "support/RuntimeSettingsFile.h"
#include "support/TestFiles.h"

namespace configtest {

namespace {

std::vector<ShownBox> shown;

int WINAPI recordBox(HWND, LPCSTR text, LPCSTR caption, UINT style) {
    shown.push_back({text, caption, style});
    return IDOK;
}

}  // namespace

std::string runtimeSettingsPath() { return testsupport::runtimeSettingsPath(); }

BoxRecorder::BoxRecorder() {
    shown.clear();
    configErrorMessageBox = &recordBox;
}

BoxRecorder::~BoxRecorder() { configErrorMessageBox = &MessageBoxA; }

const std::vector<ShownBox>& BoxRecorder::boxes() const { return shown; }

std::string message(UINT id, const std::string& first, const std::string& second) {
    char format[1024] = {};
    LoadStringA(GetModuleHandleA(nullptr), id, format, sizeof format);
    return messageformat::fill(format, first, second, 1023);
}

void ConfigTest::SetUp() {
    SetFileAttributesA(runtimeSettingsPath().c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(runtimeSettingsPath().c_str());
}

void ConfigTest::TearDown() { SetUp(); }

std::unique_ptr<InstallConfigData> ConfigTest::makeConfig(bool enterprise) {
    return std::make_unique<InstallConfigData>(GetModuleHandleA(nullptr), enterprise);
}

std::unique_ptr<InstallConfigData> ConfigTest::load(const std::wstring& arguments, int& result,
                                                    bool enterprise) {
    std::unique_ptr<InstallConfigData> config = makeConfig(enterprise);
    result = config->LoadConfigSettings(L"installer.exe " + arguments);
    return config;
}

void ConfigTest::writeRuntimeSettings(const std::string& content) { testsupport::writeRuntimeSettings(content); }

std::string ConfigTest::readRuntimeSettings() const {
    return testsupport::readFileBytes(runtimeSettingsPath());
}

bool ConfigTest::runtimeSettingsExist() const { return testsupport::pathExists(runtimeSettingsPath()); }

}  // namespace configtest

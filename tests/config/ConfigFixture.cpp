#include "ConfigFixture.h"

#include <shlobj.h>

#include <stdexcept>

#include "config/ConfigError.h"
#include "config/MessageFormat.h"
#include "support/TestFiles.h"

namespace configtest {

namespace {

std::vector<ShownBox> shown;

int WINAPI recordBox(HWND, LPCSTR text, LPCSTR caption, UINT style) {
    shown.push_back({text, caption, style});
    return IDOK;
}

}  // namespace

std::string runtimeSettingsPath() {
    char folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES_COMMONX86, nullptr, 0, folder))) {
        throw std::runtime_error("SHGetFolderPathA(CSIDL_PROGRAM_FILES_COMMONX86) failed");
    }
    return std::string(folder) + "\\Veyra\\Vesk\\vesk.settings.cfg";
}

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

void ConfigTest::writeRuntimeSettings(const std::string& content) {
    const std::string path = runtimeSettingsPath();
    const std::string veyra = path.substr(0, path.rfind("\\Vesk\\"));
    CreateDirectoryA(veyra.c_str(), nullptr);
    CreateDirectoryA((veyra + "\\Vesk").c_str(), nullptr);
    testsupport::writeFileText(path, content);
}

std::string ConfigTest::readRuntimeSettings() const {
    return testsupport::readFileBytes(runtimeSettingsPath());
}

bool ConfigTest::runtimeSettingsExist() const { return testsupport::pathExists(runtimeSettingsPath()); }

}  // namespace configtest

#include "DeployHome.h"

#include <windows.h>

#include <sstream>
#include <stdexcept>

#include "support/TempFolder.h"
#include "support/TestFiles.h"
#include "testbed/TestbedNames.h"

namespace deploytest {

namespace {

void copyFile(const std::string& source, const std::string& target) {
    if (!CopyFileA(source.c_str(), target.c_str(), TRUE)) {
        throw std::runtime_error("CopyFileA(" + source + ", " + target + ") failed with error " +
                                 std::to_string(GetLastError()));
    }
}

// The folder of every home of this program, removed when it ends.
const testsupport::TempFolder& homes() {
    static const testsupport::TempFolder folder;
    return folder;
}

void makeFolder(const std::string& path) {
    if (!CreateDirectoryA(path.c_str(), nullptr)) {
        throw std::runtime_error("cannot make " + path + ": error " + std::to_string(GetLastError()));
    }
}

}  // namespace

DeployHome::DeployHome() {
    static int made = 0;
    path_ = homes().file("home-" + std::to_string(++made));
    makeFolder(path_);
    makeFolder(file("bin"));
    for (const std::string& name : libraries()) {
        copyFile(std::string(TESTBED_BIN_DIR) + "\\" + name, bin(name));
    }
}

std::string DeployHome::bin(const std::string& name) const { return file("bin\\" + name); }

InstalledVesk DeployHome::product() const {
    InstalledVesk product;
    product.bundle = Bundle{Bundle::VRE, 64, VeskVersion("1.8.0_321-b07")};
    product.mode = InstalledVesk::ordinaryMode;
    product.homeDir = path();
    return product;
}

void DeployHome::behave(const std::string& text) const {
    testsupport::writeFileText(bin(testbed::deployBehaviour), text);
}

std::string DeployHome::callLog() const { return testsupport::readFileBytes(bin(testbed::deployCallLog)); }

bool DeployHome::called() const { return testsupport::pathExists(bin(testbed::deployCallLog)); }

std::vector<std::string> DeployHome::libraries() {
    std::vector<std::string> names;
    std::istringstream list(TESTBED_CRT_NAMES);
    for (std::string name; std::getline(list, name, ',');) {
        names.push_back(name + ".dll");
    }
    names.push_back("deploy.dll");
    return names;
}

std::unique_ptr<InstallConfigData> loadConfig(const std::wstring& arguments) {
    auto config = std::make_unique<InstallConfigData>(GetModuleHandleA(nullptr), false);
    const int result = config->LoadConfigSettings(L"installer.exe /s " + arguments);
    if (result != 0) {
        throw std::runtime_error("the configuration does not load: " + std::to_string(result));
    }
    return config;
}

}  // namespace deploytest

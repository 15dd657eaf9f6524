#include "InstallRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <iterator>

#include "diag/Logger.h"
#include "support/CapturedChild.h"
#include "support/ChildProcess.h"
#include "support/FolderLink.h"
#include "support/LogRecords.h"
#include "support/ProgressWatcher.h"
#include "support/ShellProbe.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"
#include "support/TestbedMsi.h"
#include "testbed/TestbedNames.h"

namespace e2e {

BuildInputs inputs;

bool readInputs(int argc, char** argv, const char* programName) {
    if (argc != 7) {
        std::fprintf(stderr,
                     "usage: %s INSTALLER NO_PAYLOAD_INSTALLER DAMAGED_PATCH_INSTALLER "
                     "PROGRESS_WATCH BASE_IMAGE NEW_IMAGE_LIST\n",
                     programName);
        return false;
    }
    inputs = {argv[1], argv[2], argv[3], argv[4], argv[5], argv[6]};
    return true;
}

const TestbedProduct& product = vreTestbed64;
const std::string home = product.installLocation;
const std::string vreRoot = "Software\\VeskSoft\\Vesk Runtime Environment";
const std::string versionKey = vreRoot + "\\1.8.0_321";
const std::string deployCallLog = std::string("bin\\") + testbed::deployCallLog;
const std::string deployBehaviour = std::string("bin\\") + testbed::deployBehaviour;

std::optional<std::string> readValue(HKEY root, REGSAM view, const std::string& key, const std::string& name,
                                     DWORD& type) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE | view, &opened) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    char data[4096] = {};
    DWORD size = sizeof data;
    const LSTATUS status =
        RegQueryValueExA(opened, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(opened);
    if (status != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::string(data, size);
}

std::optional<std::string> readString(HKEY root, REGSAM view, const std::string& key,
                                      const std::string& name) {
    DWORD type = REG_NONE;
    std::optional<std::string> value = readValue(root, view, key, name, type);
    if (!value || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return std::nullopt;
    }
    return value->substr(0, value->find('\0'));
}

std::optional<std::string> machineString(const std::string& key, const std::string& name) {
    return readString(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, key, name);
}

std::optional<DWORD> machineDword(const std::string& key, const std::string& name) {
    DWORD type = REG_NONE;
    const std::optional<std::string> value = readValue(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, key, name, type);
    if (!value || type != REG_DWORD || value->size() != sizeof(DWORD)) {
        return std::nullopt;
    }
    return *reinterpret_cast<const DWORD*>(value->data());
}

void setMachineString(const std::string& key, const std::string& name, const std::string& value) {
    HKEY opened = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY,
                              nullptr, &opened, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(opened, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(opened);
}

void writePackageRecord(const std::string& productHome, const std::string& versionKeyPath) {
    setMachineString(versionKeyPath, "VeskHome", productHome);
    setMachineString(versionKeyPath, "RuntimeLib", productHome + "\\bin\\server\\vesk.dll");
    setMachineString(versionKeyPath, "MicroVersion", "0");
    setMachineString(versionKeyPath + "\\MSI", "MODE", "C");
}

void installProduct(const TestbedProduct& testbedProduct) {
    ASSERT_EQ(testsupport::installTestbedProduct(testbedProduct), static_cast<UINT>(ERROR_SUCCESS))
        << testbedProduct.file;
    const std::string location = testbedProduct.installLocation;
    CreateDirectoryA(location.substr(0, location.rfind('\\')).c_str(), nullptr);
    CreateDirectoryA(location.c_str(), nullptr);
}

void PackagedProduct::SetUp() {
    installProduct(product);
    writePackageRecord(home, versionKey);
    seedCache(testsupport::readFileBytes(inputs.baseImage));
}

std::vector<std::string> logLines(std::uint64_t offset) {
    std::vector<std::string> lines;
    for (const testsupport::LogRecord& record :
         testsupport::readLogRecords(Logger::instance().path(), offset)) {
        lines.push_back(record.level + " " + record.message);
    }
    return lines;
}

ChildRun runInstaller(const std::string& program, std::vector<std::string> arguments, bool withDisplay) {
    const std::uint64_t offset = testsupport::fileSize(Logger::instance().path());
    ChildRun run;
    std::optional<testsupport::ProgressWatcher> watcher;
    if (withDisplay) {
        watcher.emplace(inputs.watcher);
    }
    testsupport::CapturedChild installer(testsupport::buildCommandLine(program, arguments));
    run.code = installer.wait();
    run.output = installer.output();
    if (watcher) {
        run.progress = watcher->stop();
    }
    run.log = logLines(offset);
    return run;
}

std::vector<std::string> productArguments(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"/s", std::string("ProductCode=") + product.productCode});
    return arguments;
}

ChildRun install(std::vector<std::string> arguments, const std::string& program) {
    return runInstaller(program, productArguments(std::move(arguments)));
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::vector<std::string> errors(const ChildRun& run) {
    std::vector<std::string> lines;
    std::copy_if(run.log.begin(), run.log.end(), std::back_inserter(lines),
                 [](const std::string& line) { return line.rfind("ERROR ", 0) == 0; });
    return lines;
}

std::vector<std::string> unexpectedErrors(const ChildRun& run) {
    const testsupport::TempFolder probeFolder;
    const bool junctions = testsupport::probeJunctions(probeFolder.path()).supported;
    const bool urlShortcuts = SUCCEEDED(testsupport::internetShortcutAsShellLink());
    std::vector<std::string> lines = errors(run);
    std::erase_if(lines, [&](const std::string& line) {
        return (!junctions && contains(line, "at FileUtils::createJunction(): ") &&
                contains(line, "cannot set reparse point. System error [50]")) ||
               (!urlShortcuts &&
                contains(line, "IUniformResourceLocator.QueryInterface(IID_IShellLink) failed"));
    });
    return lines;
}

bool loggedStart(const ChildRun& run, const std::string& start) {
    return std::any_of(run.log.begin(), run.log.end(),
                       [&](const std::string& line) { return line.rfind(start, 0) == 0; });
}

std::vector<std::string> deployCalls() {
    std::vector<std::string> calls;
    const std::string path = join(home, deployCallLog);
    if (!testsupport::pathExists(path)) {
        return calls;
    }
    const std::string text = testsupport::readFileBytes(path);
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find('\n', start);
        calls.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return calls;
}

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Detection hands homes on in lower case.
void expectCurrentVre(const std::string& currentHome) {
    EXPECT_EQ(machineString(vreRoot, "CurrentVersion"), "1.8");
    EXPECT_EQ(lower(machineString("Software\\Classes\\vpkfile\\shell\\open\\command", "").value_or("")),
              lower("\"" + currentHome + "\\bin\\veskw.exe\" -vpk \"%1\" %*"));
    EXPECT_EQ(machineString("Software\\Classes\\.vpk", ""), "vpkfile");
}

}  // namespace e2e

#pragma once

// What the end-to-end scenarios of installer.exe share: the build's programs, the testbed
// runtime product as its package leaves it, runs of installer.exe as a child, and reads
// of the state a run leaves (registry, the deployment library's record of its calls).
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "InstallScene.h"
#include "testbed/TestbedProducts.h"

namespace e2e {

// Programs and files of the build, given on the command line in Windows form.
struct BuildInputs {
    std::string installer;     // installer.exe: the patch and the patch tool
    std::string noPayload;     // an installer without payload resources
    std::string damagedPatch;  // an installer whose patch is damaged
    std::string watcher;       // progress-watch.exe
    std::string baseImage;     // the base image the patch applies to
    std::string newImageList;  // the new image's files, written by list_image.py
};
extern BuildInputs inputs;
// Fills `inputs` from the arguments that remain after GoogleTest took its own; false
// (with the usage printed) when they do not fit.
bool readInputs(int argc, char** argv, const char* programName);

// The runtime product that the scenarios install, its home and registry keys (64-bit view).
extern const TestbedProduct& product;
extern const std::string home;
extern const std::string vreRoot;
extern const std::string versionKey;

// The raw data of a value, or nothing when it is missing; its type in `type`.
std::optional<std::string> readValue(HKEY root, REGSAM view, const std::string& key, const std::string& name,
                                     DWORD& type);
std::optional<std::string> readString(HKEY root, REGSAM view, const std::string& key,
                                      const std::string& name);
std::optional<std::string> machineString(const std::string& key, const std::string& name);
std::optional<DWORD> machineDword(const std::string& key, const std::string& name);
void setMachineString(const std::string& key, const std::string& name, const std::string& value);

// What the runtime's own package writes below its version key.
void writePackageRecord(const std::string& productHome, const std::string& versionKeyPath);
// Registers the product with Windows Installer and makes its (empty) home.
void installProduct(const TestbedProduct& testbedProduct);

// The product as its package leaves it: listed by Windows Installer, its registry record
// written, its home empty; the patch cache holds the base image.
class PackagedProduct : public testing::Test {
protected:
    void SetUp() override;
};

// Every record of one run of installer.exe as "<LEVEL> <message>", with progress-watch as
// the progress display unless `withDisplay` is false.
ChildRun runInstaller(const std::string& program, std::vector<std::string> arguments,
                      bool withDisplay = true);
// The records of the log from byte `offset` on as "<LEVEL> <message>".
std::vector<std::string> logLines(std::uint64_t offset);
// The arguments that every run of the product takes ("/s", its product code) and `arguments`.
std::vector<std::string> productArguments(std::vector<std::string> arguments);
ChildRun install(std::vector<std::string> arguments = {}, const std::string& program = inputs.installer);

bool contains(const std::string& text, const std::string& part);
std::vector<std::string> errors(const ChildRun& run);
// The ERROR lines of a run, but for the failures that the Windows features Wine lacks
// make (found by trying them): junctions for the command path, shell links from the
// internet-shortcut object for the web shortcuts.
std::vector<std::string> unexpectedErrors(const ChildRun& run);
bool loggedStart(const ChildRun& run, const std::string& start);

// The lines of the deployment library's record of its calls.
std::vector<std::string> deployCalls();
// Beside the deployment library in home.
extern const std::string deployCallLog;
extern const std::string deployBehaviour;

// `text` in lower case (ASCII), as detection hands homes on.
std::string lower(std::string text);
// The registry state of a 64-bit runtime environment that is the machine's current one.
void expectCurrentVre(const std::string& currentHome);

}  // namespace e2e

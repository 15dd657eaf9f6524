#include "install/ExtractFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "diag/Logger.h"
#include "install/FatalWin32Error.h"
#include "install/HeldPayloadFile.h"
#include "install/PayloadResource.h"
#include "support/ChildProcess.h"
#include "support/LogRecords.h"
#include "support/TempFolder.h"

namespace {

// Installers built with different payloads, and the payload files they carry; given on
// the command line in Windows form.
struct BuildInputs {
    std::string installerPatchAndTool;
    std::string installerWithBaseImage;  // empty when the payload has no base image
    std::string installerWithoutPayload;
    std::string patch;
    std::string tool;
    std::string baseImage;
} inputs;

// A module loaded for its resources only.
class ResourceModule {
public:
    explicit ResourceModule(const std::string& path)
        : module_(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
        if (module_ == nullptr) {
            throw std::runtime_error("LoadLibraryExA(" + path + ") failed with error " +
                                     std::to_string(GetLastError()));
        }
    }
    ~ResourceModule() { FreeLibrary(module_); }
    ResourceModule(const ResourceModule&) = delete;
    ResourceModule& operator=(const ResourceModule&) = delete;
    HMODULE get() const { return module_; }

private:
    HMODULE module_;
};

std::vector<std::string> folderEntries(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

void writeFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

// Extracts the payload of `installer` into a new folder and checks that exactly
// `files` (written name, payload source) appear there with the carried bytes.
void checkExtraction(const std::string& installer,
                     const std::vector<std::pair<std::string, std::string>>& files) {
    const ResourceModule module(installer);
    const testsupport::TempFolder folder;
    ASSERT_TRUE(ExtractFiles(module.get(), folder.path(), false));

    std::vector<std::string> expectedNames;
    for (const auto& [name, source] : files) {
        expectedNames.push_back(name);
        const std::string written = testsupport::readFileText(folder.file(name));
        EXPECT_EQ(written.size(), testsupport::fileSize(source)) << name;
        EXPECT_TRUE(written == testsupport::readFileText(source)) << name << " differs from " << source;
    }
    EXPECT_EQ(folderEntries(folder.path()), expectedNames);
}

TEST(ExtractFilesTest, PatchAndToolAreWrittenAsDiffAndBspatch) {
    checkExtraction(inputs.installerPatchAndTool, {{"bspatch.exe", inputs.tool}, {"diff", inputs.patch}});
}

TEST(ExtractFilesTest, ACarriedBaseImageIsWrittenToo) {
    if (inputs.installerWithBaseImage.empty()) {
        GTEST_SKIP() << "the payload this build was given has no base image";
    }
    checkExtraction(
        inputs.installerWithBaseImage,
        {{"baseimagefam8", inputs.baseImage}, {"bspatch.exe", inputs.tool}, {"diff", inputs.patch}});
}

TEST(ExtractFilesTest, AnInstallerWithoutPayloadWritesNothingAndSucceeds) {
    checkExtraction(inputs.installerWithoutPayload, {});
}

TEST(ExtractFilesTest, LargeResourcesAreWrittenCompletelyOverExistingFiles) {
    // The patch tool spans many write chunks; its size is no multiple of a chunk in
    // general, so the last partial chunk is covered too.
    ASSERT_GT(testsupport::fileSize(inputs.tool), 3u * 8192u);
    const ResourceModule module(inputs.installerPatchAndTool);
    const testsupport::TempFolder folder;
    // Longer than what replaces them: a file that was only overwritten would keep a tail.
    const std::string stale(testsupport::fileSize(inputs.tool) + 10000, 'x');
    writeFile(folder.file("diff"), stale);
    writeFile(folder.file("bspatch.exe"), stale);

    ASSERT_TRUE(ExtractFiles(module.get(), folder.path(), false));
    EXPECT_TRUE(testsupport::readFileText(folder.file("bspatch.exe")) ==
                testsupport::readFileText(inputs.tool));
    EXPECT_TRUE(testsupport::readFileText(folder.file("diff")) == testsupport::readFileText(inputs.patch));
}

TEST(ExtractFilesTest, LogsEachResourceAndTheResult) {
    const ResourceModule module(inputs.installerPatchAndTool);
    const testsupport::TempFolder folder;
    const std::string log = Logger::instance().path();
    const std::uint64_t offset = testsupport::fileSize(log);
    ASSERT_TRUE(ExtractFiles(module.get(), folder.path(), false));

    std::vector<std::string> lines;
    for (const auto& record : testsupport::readLogRecords(log, offset)) {
        lines.push_back(record.level + " " + record.function + ": " + record.message);
    }
    ASSERT_EQ(lines.size(), 5u) << ::testing::PrintToString(lines);
    EXPECT_EQ(lines[0], "TRACE ExtractFiles: Entering ExtractFiles");
    EXPECT_EQ(lines[1], "TRACE ExtractFiles: Extracting resource 5 into \"" + folder.file("diff") + "\"...");
    EXPECT_EQ(lines[2],
              "TRACE ExtractFiles: Extracting resource 7 into \"" + folder.file("bspatch.exe") + "\"...");
    EXPECT_NE(lines[3].find("successfully extracted files for install, return true "), std::string::npos)
        << lines[3];
    EXPECT_EQ(lines[3].rfind("INFO ", 0), 0u) << lines[3];
    EXPECT_EQ(lines[4].rfind("TRACE ExtractFiles: Exiting ExtractFiles", 0), 0u) << lines[4];
}

// The written tool is held: others may read it but not write, rename or delete it, and
// only the bytes the module carries are accepted.
TEST(HeldPayloadFileTest, HoldsTheWrittenToolAndRefusesOtherBytes) {
    const ResourceModule module(inputs.installerPatchAndTool);
    const testsupport::TempFolder folder;
    ASSERT_TRUE(ExtractFiles(module.get(), folder.path(), false));
    const std::string tool = folder.file("bspatch.exe");
    {
        const HeldPayloadFile held(module.get(), PayloadIds::patchTool, tool);
        const DWORD allSharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
        HANDLE reader =
            CreateFileA(tool.c_str(), GENERIC_READ, allSharing, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(reader, INVALID_HANDLE_VALUE);
        CloseHandle(reader);
        EXPECT_EQ(CreateFileA(tool.c_str(), GENERIC_WRITE, allSharing, nullptr, OPEN_EXISTING, 0, nullptr),
                  INVALID_HANDLE_VALUE);
        EXPECT_FALSE(MoveFileExA(tool.c_str(), folder.file("aside.exe").c_str(), 0));
        EXPECT_FALSE(DeleteFileA(tool.c_str()));
    }
    for (const std::string& other : {std::string("planted"), testsupport::readFileText(inputs.tool) + "x",
                                     "X" + testsupport::readFileText(inputs.tool).substr(1)}) {
        writeFile(tool, other);
        try {
            const HeldPayloadFile held(module.get(), PayloadIds::patchTool, tool);
            ADD_FAILURE() << "a file of " << other.size() << " other bytes was accepted";
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find("[" + tool + "] is not the file the installer wrote"),
                      std::string::npos)
                << error.what();
        }
    }
}

// --- The fatal path runs in a copy of this program, since it ends the process. ---

// Records the box's text in a file named by the environment, since the process ends
// right after the box.
int WINAPI recordBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    char record[MAX_PATH];
    if (GetEnvironmentVariableA("VESK_TEST_BOX_RECORD", record, sizeof record) == 0) return IDOK;
    std::ofstream(record, std::ios::binary)
        << (owner == nullptr ? "no owner" : "owner") << "|" << caption << "|" << type << "|" << text;
    return IDOK;
}

// extract <module> <folder> [silent]: ExtractFiles into a folder that may not be writable.
int extractChild(const std::vector<std::string>& arguments) {
    fatalErrorMessageBox = &recordBox;
    const ResourceModule module(arguments.at(0));
    const bool silent = arguments.size() > 2 && arguments[2] == "silent";
    return ExtractFiles(module.get(), arguments.at(1), silent) ? 0 : 1;
}
const bool extractRegistered = testsupport::registerChildRoutine("extract", &extractChild);

// fatal-without-error: the fatal box when the failed call left no error code.
int fatalWithoutErrorChild(const std::vector<std::string>&) {
    fatalErrorMessageBox = &recordBox;
    SetLastError(ERROR_SUCCESS);
    fatalWin32Error("Test : step ", false);
}
const bool fatalRegistered =
    testsupport::registerChildRoutine("fatal-without-error", &fatalWithoutErrorChild);

std::string systemText(DWORD code) {
    char* text = nullptr;
    FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&text), 0, nullptr);
    const std::string result = text != nullptr ? text : "";
    LocalFree(text);
    return result;
}

// Runs a child with the box recorded into a file of `folder`; gives the exit code and the record.
std::pair<DWORD, std::string> runRecorded(const testsupport::TempFolder& folder, const std::string& routine,
                                          const std::vector<std::string>& arguments) {
    const std::string record = folder.file("box.txt");
    SetEnvironmentVariableA("VESK_TEST_BOX_RECORD", record.c_str());
    const DWORD exitCode = testsupport::runChild(testsupport::childCommandLine(routine, arguments));
    SetEnvironmentVariableA("VESK_TEST_BOX_RECORD", nullptr);
    return {exitCode, testsupport::readFileText(record)};
}

std::string expectedBox(const std::string& text, DWORD code) {
    return "no owner|Error|" + std::to_string(MB_OK) + "|" + text + " failed with error " +
           std::to_string(code) + ": " + systemText(code);
}

TEST(ExtractFilesTest, AFileThatCannotBeCreatedEndsTheProcessWithTheWindowsError) {
    const testsupport::TempFolder folder;
    const std::string target = folder.file("target");
    CreateDirectoryA(target.c_str(), nullptr);

    // "diff" is a folder: CREATE_ALWAYS cannot replace it.
    CreateDirectoryA((target + "\\diff").c_str(), nullptr);
    auto [code, box] = runRecorded(folder, "extract", {inputs.installerPatchAndTool, target});
    EXPECT_EQ(code, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(box, expectedBox("Installer : Wrapper.CreateFile ", ERROR_ACCESS_DENIED));
    RemoveDirectoryA((target + "\\diff").c_str());

    // Another process holds "diff" without sharing.
    HANDLE held = CreateFileA((target + "\\diff").c_str(), GENERIC_READ, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::tie(code, box) = runRecorded(folder, "extract", {inputs.installerPatchAndTool, target});
    CloseHandle(held);
    EXPECT_EQ(code, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(box, expectedBox("Installer : Wrapper.CreateFile ", ERROR_SHARING_VIOLATION));

    // The folder does not exist.
    std::tie(code, box) =
        runRecorded(folder, "extract", {inputs.installerPatchAndTool, folder.file("missing")});
    EXPECT_EQ(code, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(box, expectedBox("Installer : Wrapper.CreateFile ", ERROR_PATH_NOT_FOUND));
}

// Nobody may be there to answer a box in a silent run: the process ends the same way and
// the log tells why.
TEST(ExtractFilesTest, ASilentRunEndsWithoutABoxAndLogsTheFailure) {
    const testsupport::TempFolder folder;
    const std::string logPath = Logger::instance().path();
    const std::uint64_t offset = testsupport::fileSize(logPath);
    auto [code, box] =
        runRecorded(folder, "extract", {inputs.installerPatchAndTool, folder.file("missing"), "silent"});
    EXPECT_EQ(code, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(box, "") << "a box was shown";
    const std::string expected = expectedBox("Installer : Wrapper.CreateFile ", ERROR_PATH_NOT_FOUND);
    std::vector<std::string> errors;
    for (const testsupport::LogRecord& record : testsupport::readLogRecords(logPath, offset)) {
        if (record.level == "ERROR") {
            errors.push_back(record.message);
        }
    }
    const std::string line = expected.substr(expected.find("Installer"));
    EXPECT_EQ(errors, std::vector<std::string>{line.substr(0, line.find_last_not_of(" \r\n") + 1)});
}

TEST(ExtractFilesTest, AFatalErrorWithoutErrorCodeNeverExitsWithSuccess) {
    const testsupport::TempFolder folder;
    auto [code, box] = runRecorded(folder, "fatal-without-error", {});
    EXPECT_EQ(code, static_cast<DWORD>(ERROR_FUNCTION_FAILED));
    EXPECT_EQ(box, expectedBox("Test : step ", ERROR_FUNCTION_FAILED));
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc != 7) {
        std::fprintf(
            stderr,
            "usage: %s installer-5-7 installer-5-6-7|\"\" installer-none patch tool base-image|\"\"\n",
            argv[0]);
        return 2;
    }
    inputs = {argv[1], argv[2], argv[3], argv[4], argv[5], argv[6]};
    return RUN_ALL_TESTS();
}

// installer.exe against a machine that works against it: a disk that fills up during the
// patch or the unzip, a log that another process holds, files in home that are read-only
// or in use, a temporary folder that is a file, a file where a level of the patch cache
// belongs, and registry values of the wrong type where it reads strings. Every run must
// end with its documented code and a log line that says what failed, keep what it was
// not asked to change, and a rerun once the fault is gone must succeed. Each scenario
// runs in a Wine prefix of its own.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "InstallRun.h"
#include "InstallScene.h"
#include "diag/Logger.h"
#include "support/CapturedChild.h"
#include "support/ChildProcess.h"
#include "support/FolderLink.h"
#include "support/HeldFile.h"
#include "support/SmallDisk.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

using namespace e2e;

namespace {

using HostileInstall = PackagedProduct;

std::uint64_t fileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        throw std::runtime_error("cannot read the size of " + path);
    }
    return (std::uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The size of a payload resource that `program` carries.
std::uint64_t resourceSize(const std::string& program, WORD id) {
    const HMODULE module = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) {
        throw std::runtime_error("cannot load " + program + " as data");
    }
    const HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(id), RT_RCDATA);
    const std::uint64_t size = resource != nullptr ? SizeofResource(module, resource) : 0;
    FreeLibrary(module);
    return size;
}

// Every file of home holds the whole content the new image gives it: a file that a
// failed write cut short must not be left under its name. Files not yet written are fine.
void expectNoPartialFileInHome() {
    const std::map<std::string, std::string> image = imageFiles(inputs.newImageList, 0);
    for (const std::string& file : filesBelow(home)) {
        const auto expected = image.find(file);
        if (expected != image.end()) {
            EXPECT_EQ(sha256(join(home, file)), expected->second) << file << " is not what the image holds";
        }
    }
}

// The install of an untouched prefix succeeds and fills home; the rerun after a fault.
void expectSuccessfulRerun() {
    const ChildRun rerun = install();
    ASSERT_EQ(rerun.code, 0u) << testing::PrintToString(rerun.log);
    expectHome(home, imageFiles(inputs.newImageList), {classDataArchive, deployCallLog});
}

TEST_F(HostileInstall, FullDiskDuringTheUnzip) {
    // Home on a disk that holds a small part of the image; then on one that holds it all.
    testsupport::SmallDisk disk(home, 256 * 1024);
    if (!disk.mounted()) {
        GTEST_SKIP() << "no small disk can be mounted here: " << disk.reason();
    }

    const ChildRun run = install();

    EXPECT_EQ(run.code, 61002u) << testing::PrintToString(run.log);
    EXPECT_TRUE(logged(run, "ERROR -- Exec: unzipping() failed.")) << testing::PrintToString(errors(run));
    EXPECT_TRUE(std::any_of(run.log.begin(), run.log.end(), [](const std::string& line) {
        return line.rfind("ERROR Exception with message '", 0) == 0 &&
               contains(line, "at ZipFile::extractAll(): WriteFile(") && contains(line, "System error [112]");
    })) << testing::PrintToString(errors(run));
    expectNoPartialFileInHome();
    EXPECT_EQ(sha256(cachedImage()), sha256(inputs.baseImage));

    disk.grow(512ull * 1024 * 1024);
    expectSuccessfulRerun();
}

TEST_F(HostileInstall, FullDiskDuringThePatch) {
    // The cache holds the base image, its working copy and the payload, and about half of
    // the new image that the patch tool writes beside them. Wine shows a mount point as a
    // junction, which the cache refuses as a level: the disk is the base of the cache
    // chain, the common application-data folder.
    const std::uint64_t base = fileSize(inputs.baseImage);
    const std::uint64_t payload = resourceSize(inputs.installer, 5) + resourceSize(inputs.installer, 7);
    ASSERT_GT(payload, 0u);
    const std::string baseImage = testsupport::readFileBytes(cachedImage());
    testsupport::SmallDisk disk(commonAppData(), 2 * base + payload + base / 2);
    if (!disk.mounted()) {
        GTEST_SKIP() << "no small disk can be mounted here: " << disk.reason();
    }
    seedCache(baseImage);

    const ChildRun run = install();

    EXPECT_EQ(run.code, 61001u) << testing::PrintToString(run.log);
    EXPECT_TRUE(logged(run, "ERROR -- Exec: Patching () failed.")) << testing::PrintToString(errors(run));
    // No new image was passed off as whole; the base image is unchanged, home empty.
    for (const std::string& file : filesBelow(cacheDir())) {
        EXPECT_EQ(file.find("newimage"), std::string::npos) << file;
    }
    EXPECT_EQ(sha256(cachedImage()), sha256(inputs.baseImage));
    EXPECT_EQ(filesBelow(home), std::set<std::string>{});
    // Nothing of the failed run stays in the cache, also where the disk gives a file its
    // size without room (a sparse file on tmpfs) and the patch tool meets the full disk
    // only when it writes.
    EXPECT_EQ(entriesIn(cacheDir()), std::set<std::string>{"baseimagefam8"});

    disk.grow(512ull * 1024 * 1024);
    expectSuccessfulRerun();
}

// Another process holds the log without sharing: the install goes on without it and ends
// as always; once the log is free again, the rerun logs.
TEST_F(HostileInstall, LogHeldByAnotherProcess) {
    const std::string log = Logger::instance().path();
    testsupport::writeFileText(log, "");
    {
        const testsupport::HeldFile held(log);
        testsupport::CapturedChild installer(testsupport::buildCommandLine(
            inputs.installer, {"/s", std::string("ProductCode=") + product.productCode}));
        EXPECT_EQ(installer.wait(), 0u) << installer.output();
    }
    EXPECT_EQ(testsupport::readFileBytes(log), "");
    const ChildRun rerun = install();
    ASSERT_EQ(rerun.code, 0u) << testing::PrintToString(rerun.log);
    EXPECT_TRUE(logged(rerun, "TRACE Entered installer.exe WinMain."));
}

// Whether this file system refuses to replace a read-only file, as Windows does. Wine run
// as root replaces it: the Unix permission bits that stand for the attribute do not bind
// root.
bool readOnlyFilesAreKept() {
    const testsupport::TempFolder folder;
    const std::string probe = folder.file("read-only");
    testsupport::writeFileText(probe, "kept");
    SetFileAttributesA(probe.c_str(), FILE_ATTRIBUTE_READONLY);
    const HANDLE file =
        CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    const bool refused = file == INVALID_HANDLE_VALUE;
    if (!refused) {
        CloseHandle(file);
    }
    SetFileAttributesA(probe.c_str(), FILE_ATTRIBUTE_NORMAL);
    return refused;
}

// A file of home that the unzip must replace is read-only, or in use by another process:
// the unzip fails with its code and names the file; without the fault the rerun succeeds.
struct HomeFileFault {
    const char* name;
    bool inUse;  // held open without sharing, else read-only
    DWORD error;
};

class HomeFileFaults : public PackagedProduct, public testing::WithParamInterface<HomeFileFault> {};

TEST_P(HomeFileFaults, FailTheUnzipUntilTheyAreGone) {
    const std::string file = join(home, "bin\\vesk.exe");
    ASSERT_EQ(install().code, 0u);
    const bool faultHolds = GetParam().inUse || readOnlyFilesAreKept();
    std::optional<testsupport::HeldFile> held;
    if (GetParam().inUse) {
        held.emplace(file);
    } else {
        ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
    }

    const ChildRun run = install();

    if (!faultHolds) {
        // Nothing refuses the new file: the run must replace it and succeed.
        EXPECT_EQ(run.code, 0u) << testing::PrintToString(errors(run));
        expectHome(home, imageFiles(inputs.newImageList), {classDataArchive, deployCallLog});
        GTEST_SKIP() << "this file system replaces a read-only file (Wine run as root), so the failure "
                        "cannot be made";
    }
    EXPECT_EQ(run.code, 61002u) << testing::PrintToString(run.log);
    EXPECT_TRUE(logged(run, "ERROR -- Exec: unzipping() failed.")) << testing::PrintToString(errors(run));
    // Detection hands the home on in lower case.
    const std::string named = "at ZipFile::extractAll(): CreateFile(" + lower(file) + ") failed";
    const std::string error = "System error [" + std::to_string(GetParam().error) + "]";
    EXPECT_TRUE(std::any_of(run.log.begin(), run.log.end(), [&](const std::string& line) {
        return line.rfind("ERROR Exception with message '", 0) == 0 && contains(line, named) &&
               contains(line, error);
    })) << testing::PrintToString(errors(run));
    EXPECT_EQ(sha256(cachedImage()), sha256(inputs.baseImage));

    held.reset();
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    expectSuccessfulRerun();
}

INSTANTIATE_TEST_SUITE_P(Faults, HomeFileFaults,
                         testing::Values(HomeFileFault{"ReadOnly", false, ERROR_ACCESS_DENIED},
                                         HomeFileFault{"InUse", true, ERROR_SHARING_VIOLATION}),
                         [](const testing::TestParamInfo<HomeFileFault>& info) { return info.param.name; });

// %TEMP% names a file: the log cannot be written, the install goes on and succeeds.
TEST_F(HostileInstall, TemporaryFolderThatIsAFile) {
    const testsupport::TempFolder folder;
    const std::string notAFolder = folder.file("temp");
    testsupport::writeFileText(notAFolder, "a file");
    // The test's own log path is fixed before the child is given the other folder.
    (void)Logger::instance().path();
    char saved[MAX_PATH] = {};
    GetEnvironmentVariableA("TEMP", saved, MAX_PATH);
    SetEnvironmentVariableA("TEMP", notAFolder.c_str());
    SetEnvironmentVariableA("TMP", notAFolder.c_str());
    const ChildRun run = install();
    SetEnvironmentVariableA("TEMP", saved);
    SetEnvironmentVariableA("TMP", saved);

    EXPECT_EQ(run.code, 0u);
    EXPECT_EQ(testsupport::readFileBytes(notAFolder), "a file");
    expectHome(home, imageFiles(inputs.newImageList), {classDataArchive, deployCallLog});
}

// A file stands where a level of the patch cache belongs: the step ends with its code and
// says so; the cache is made again once the file is gone.
TEST_F(HostileInstall, FileWhereACacheLevelBelongs) {
    const std::string baseImage = testsupport::readFileBytes(cachedImage());
    ASSERT_TRUE(DeleteFileA(cachedImage().c_str()));
    ASSERT_TRUE(RemoveDirectoryA(cacheDir().c_str()));
    testsupport::writeFileText(cacheDir(), "in the way");

    const ChildRun run = install();

    EXPECT_EQ(run.code, 61000u) << testing::PrintToString(run.log);
    // The install lock, which lives in the cache, is the first to need the level.
    EXPECT_TRUE(logged(run, "ERROR The patch cache cannot be made or held for the install lock"))
        << testing::PrintToString(errors(run));
    EXPECT_TRUE(std::any_of(run.log.begin(), run.log.end(), [](const std::string& line) {
        return line.rfind("ERROR Exception with message '", 0) == 0 &&
               contains(line, "[" + cacheDir() + "] is not a folder");
    })) << testing::PrintToString(errors(run));
    EXPECT_EQ(testsupport::readFileBytes(cacheDir()), "in the way");
    EXPECT_EQ(filesBelow(home), std::set<std::string>{});

    ASSERT_TRUE(DeleteFileA(cacheDir().c_str()));
    seedCache(baseImage);
    expectSuccessfulRerun();
}

// Where installer.exe reads strings from the registry, a value of another type (or none)
// is logged; the install goes on, and no other value of the product's record is lost.
void setMachineValue(const std::string& key, const std::string& name, DWORD type, const std::string& data) {
    HKEY opened = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY,
                              nullptr, &opened, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(opened, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
    RegCloseKey(opened);
}

std::optional<std::string> machineValue(const std::string& key, const std::string& name, DWORD& type) {
    return readValue(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, key, name, type);
}

const std::string environmentKey = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

TEST_F(HostileInstall, VeskHomeThatIsADword) {
    setMachineValue(versionKey, "VeskHome", REG_DWORD, std::string("\x2A\0\0\0", 4));

    const ChildRun run = install();

    EXPECT_EQ(run.code, 0u) << testing::PrintToString(run.log);
    DWORD type = REG_NONE;
    EXPECT_EQ(machineValue(versionKey, "VeskHome", type), std::string("\x2A\0\0\0", 4));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(machineString(versionKey, "RuntimeLib"), home + "\\bin\\server\\vesk.dll");
    EXPECT_EQ(machineString(versionKey, "MicroVersion"), "0");
    EXPECT_EQ(machineString(versionKey + "\\MSI", "MODE"), "C");
    expectCurrentVre(home);
    const auto aboutTheValue = [](const std::string& line) {
        return contains(line, "VeskHome") && contains(line, "REG_DWORD");
    };
    const std::vector<std::string> failures = unexpectedErrors(run);
    EXPECT_TRUE(std::any_of(failures.begin(), failures.end(), aboutTheValue))
        << testing::PrintToString(failures);
    for (const std::string& line : failures) {
        EXPECT_TRUE(aboutTheValue(line)) << line;
    }
}

// The install adds to "Path" only after it made the command-path junction; the repair of
// the only runtime takes its entry away first, whatever the junction did.
TEST_F(HostileInstall, PathThatIsAMultiString) {
    const std::string entries =
        std::string("C:\\windows\\system32") + '\0' + "C:\\windows" + '\0' + "C:\\Tools" + '\0' + '\0';
    setMachineValue(environmentKey, "Path", REG_MULTI_SZ, entries);
    const auto expectPathKept = [&] {
        DWORD type = REG_NONE;
        EXPECT_EQ(machineValue(environmentKey, "Path", type), entries);
        EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
    };
    const auto aboutThePath = [](const std::string& line) {
        return line.rfind("ERROR ", 0) == 0 && contains(line, "Path") && contains(line, "REG_MULTI_SZ");
    };

    const ChildRun run = install();

    EXPECT_EQ(run.code, 0u) << testing::PrintToString(run.log);
    expectPathKept();
    expectCurrentVre(home);
    const testsupport::TempFolder probeFolder;
    const bool junctions = testsupport::probeJunctions(probeFolder.path()).supported;
    EXPECT_EQ(std::any_of(run.log.begin(), run.log.end(), aboutThePath), junctions)
        << testing::PrintToString(errors(run));

    const ChildRun repair = install({"REPAIRMODE=Enable"});

    EXPECT_EQ(repair.code, 0u) << testing::PrintToString(repair.log);
    expectPathKept();
    EXPECT_TRUE(std::any_of(repair.log.begin(), repair.log.end(), aboutThePath))
        << testing::PrintToString(errors(repair));
    expectCurrentVre(home);
    if (!junctions) {
        GTEST_SKIP() << "Wine cannot make the command-path junction, so the install never reaches \"Path\"; "
                        "the repair's removal read it";
    }
}

TEST_F(HostileInstall, MissingMsiMode) {
    HKEY versionRecord = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, versionKey.c_str(), 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                            &versionRecord),
              ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteKeyA(versionRecord, "MSI"), ERROR_SUCCESS);
    RegCloseKey(versionRecord);

    const ChildRun run = install();

    EXPECT_EQ(run.code, 0u) << testing::PrintToString(run.log);
    EXPECT_EQ(machineString(versionKey, "VeskHome"), home);
    EXPECT_EQ(machineString(versionKey, "RuntimeLib"), home + "\\bin\\server\\vesk.dll");
    EXPECT_EQ(machineString(versionKey, "MicroVersion"), "0");
    // The mode is not made up: the package's record stays as it was found.
    EXPECT_EQ(machineString(versionKey + "\\MSI", "MODE"), std::nullopt);
    EXPECT_TRUE(loggedStart(run, "WARNING No value [" + versionKey + "\\MSI\\MODE] of " +
                                     product.productCode +
                                     " Vesk installation; it is taken for the ordinary mode"))
        << testing::PrintToString(problems(run));
    expectCurrentVre(home);
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (!readInputs(argc, argv, "install_hostile_e2e_test")) {
        return 2;
    }
    return RUN_ALL_TESTS();
}

// The image phase of InstallVRE end to end: image_phase_host runs it in a process of its
// own against the testbed runtime (installers with each payload resource set, the base
// image in the machine's patch cache), while progress-watch plays the progress display.
// Each scenario runs in a Wine prefix of its own.
#include <windows.h>
// sddl.h and shlobj.h need the declarations of windows.h.
#include <sddl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "diag/Logger.h"
#include "platform/Crypto.h"
#include "progress/ClientOperation.h"
#include "progress/OperationMailbox.h"
#include "progress/PlatformError.h"
#include "progress/SharedMemoryUnsafe.h"
#include "InstallScene.h"
#include "support/CapturedChild.h"
#include "support/ChildProcess.h"
#include "support/FolderLink.h"
#include "support/HeldFile.h"
#include "support/LogRecords.h"
#include "support/ProgressWatcher.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

namespace {

// Programs and files of the build, given on the command line in Windows form.
struct BuildInputs {
    std::string host;           // image_phase_host.exe
    std::string watcher;        // progress-watch.exe
    std::string patchAndTool;   // installer with resources 5 and 7
    std::string noPayload;      // installer without payload resources
    std::string withBaseImage;  // installer with resources 5, 6 and 7
    std::string damagedPatch;   // module with a damaged patch as 5 and the tool as 7
    std::string baseImage;      // the base image the patch applies to
    std::string newImageList;   // the new image's files, written by list_image.py
} inputs;

using namespace e2e;

std::map<std::string, std::string> imageFiles(std::size_t expanded = std::size(e2e::archives)) {
    return e2e::imageFiles(inputs.newImageList, expanded);
}

ChildRun runImagePhase(const std::string& module, const std::string& home) {
    const std::string logPath = Logger::instance().path();
    const std::uint64_t offset = testsupport::fileSize(logPath);
    ChildRun run;
    testsupport::ProgressWatcher watcher(inputs.watcher);
    testsupport::CapturedChild host(testsupport::buildCommandLine(inputs.host, {module, home, "64"}));
    run.code = host.wait();
    run.output = host.output();
    run.progress = watcher.stop();
    for (const testsupport::LogRecord& record : testsupport::readLogRecords(logPath, offset)) {
        if (record.function == "InstallVRE" || record.function == "UnpackVpk::operator ()") {
            run.log.push_back(record.level + " " + record.message);
        }
    }
    return run;
}

void seedCacheWithBaseImage() { seedCache(testsupport::readFileBytes(inputs.baseImage)); }

std::string wrongImage() { return "not the base image the patch was made against\n"; }

class ImagePhase : public testing::Test {
protected:
    // Scenarios that run the image's own expander and runtime need the testbed's
    // programs in the build's payload; a payload without them cannot show those steps.
    void requireTestbedPrograms() {
        const std::map<std::string, std::string> files = imageFiles();
        for (const char* program : {"bin\\vunpack.exe", "bin\\veskw.exe"}) {
            if (files.count(program) == 0) {
                GTEST_SKIP() << "the build's payload image carries no " << program
                             << ", so it is not the testbed runtime";
            }
        }
    }

    testsupport::TempFolder home;
};

TEST_F(ImagePhase, Success) {
    requireTestbedPrograms();
    if (IsSkipped()) return;
    seedCacheWithBaseImage();
    const ChildRun run = runImagePhase(inputs.patchAndTool, home.path());

    EXPECT_EQ(run.code, 0u) << run.output;
    EXPECT_NE(run.output.find("noPayload=0"), std::string::npos) << run.output;
    // The working folder could go because the phase left it for the cache.
    EXPECT_NE(run.output.find("cwd=" + cacheDir()), std::string::npos) << run.output;
    expectHome(home.path(), imageFiles(), {classDataArchive});
    EXPECT_EQ(entriesIn(cacheDir()), std::set<std::string>{"baseimagefam8"});
    EXPECT_EQ(testsupport::readFileBytes(cachedImage()), testsupport::readFileBytes(inputs.baseImage));
    ASSERT_FALSE(run.log.empty());
    EXPECT_EQ(run.log.front(), "TRACE -- InstallVRE() begin");
    EXPECT_TRUE(logged(run, "TRACE -- Cached baseimage present and checksum correct.  Proceed."))
        << testing::PrintToString(run.log);
    expectProblems(run, {});
    expectProgress(run, {4, 5, 6}, {4, 5, 6});
}

// The image is in place already (a first run put it there); a module without payload
// creates no cache and only lets the runtime build its class-data archive again.
TEST_F(ImagePhase, ModuleWithoutPayloadOnlyRunsClassDataSharing) {
    requireTestbedPrograms();
    if (IsSkipped()) return;
    seedCacheWithBaseImage();
    ASSERT_EQ(runImagePhase(inputs.patchAndTool, home.path()).code, 0u);
    ASSERT_TRUE(DeleteFileA(join(home.path(), classDataArchive).c_str()));
    ASSERT_TRUE(DeleteFileA(cachedImage().c_str()));
    for (const char* level : {"Veyra\\Vesk\\installcache_x64", "Veyra\\Vesk", "Veyra"}) {
        ASSERT_TRUE(RemoveDirectoryA(join(commonAppData(), level).c_str())) << level;
    }

    const ChildRun run = runImagePhase(inputs.noPayload, home.path());

    EXPECT_EQ(run.code, 0u) << run.output;
    EXPECT_NE(run.output.find("noPayload=1"), std::string::npos) << run.output;
    EXPECT_FALSE(testsupport::pathExists(join(commonAppData(), "Veyra")));
    expectHome(home.path(), imageFiles(), {classDataArchive});
    EXPECT_EQ(run.log, std::vector<std::string>{"TRACE -- InstallVRE() begin"});
    expectProgress(run, {6}, {6});
}

TEST_F(ImagePhase, NoBaseImageAnywhere) {
    const ChildRun run = runImagePhase(inputs.patchAndTool, home.path());

    EXPECT_EQ(run.code, 61000u) << run.output;
    expectProblems(run, {"ERROR Exception: setSecurity(" + cachedImage() + ") failed",
                         "ERROR -- Exec: error archiving baseimagefam file."});
    // The working folder and the empty cache folders are gone again.
    EXPECT_FALSE(testsupport::pathExists(join(commonAppData(), "Veyra")));
    EXPECT_TRUE(filesBelow(home.path()).empty());
    expectProgress(run, {4}, {});
}

TEST_F(ImagePhase, CachedImageWithWrongDigest) {
    seedCache(wrongImage());
    const ChildRun run = runImagePhase(inputs.patchAndTool, home.path());

    EXPECT_EQ(run.code, 61000u) << run.output;
    expectProblems(run, {"ERROR -- Error: Cached baseimage present, but wrong checksum.",
                         "ERROR Exception: cached checksum does NOT match' caught",
                         "ERROR -- Exec: error archiving baseimagefam file."});
    EXPECT_EQ(entriesIn(cacheDir()), std::set<std::string>{"baseimagefam8"});
    EXPECT_EQ(testsupport::readFileBytes(cachedImage()), wrongImage());
    EXPECT_TRUE(filesBelow(home.path()).empty());
    expectProgress(run, {4}, {});
}

TEST_F(ImagePhase, CarriedBaseImageReplacesTheCachedOneUnchecked) {
    requireTestbedPrograms();
    if (IsSkipped()) return;
    seedCache(wrongImage());
    const ChildRun run = runImagePhase(inputs.withBaseImage, home.path());

    EXPECT_EQ(run.code, 0u) << run.output;
    EXPECT_EQ(testsupport::readFileBytes(cachedImage()), testsupport::readFileBytes(inputs.baseImage));
    EXPECT_EQ(entriesIn(cacheDir()), std::set<std::string>{"baseimagefam8"});
    EXPECT_FALSE(logged(run, "TRACE -- Cached baseimage present and checksum correct.  Proceed."));
    expectHome(home.path(), imageFiles(), {classDataArchive});
    expectProblems(run, {});
    expectProgress(run, {4, 5, 6}, {4, 5, 6});
}

TEST_F(ImagePhase, DamagedPatch) {
    seedCacheWithBaseImage();
    const ChildRun run = runImagePhase(inputs.damagedPatch, home.path());

    EXPECT_EQ(run.code, 61001u) << run.output;
    expectProblems(run, {"ERROR -- Exec: Patching () failed."});
    EXPECT_NE(run.output.find("cwd=" + cacheDir()), std::string::npos) << run.output;
    EXPECT_EQ(entriesIn(cacheDir()), std::set<std::string>{"baseimagefam8"});
    EXPECT_TRUE(filesBelow(home.path()).empty());
    expectProgress(run, {4}, {4});
}

// The expander cannot write lib\deploy.vpk, where a folder stands: the archives before it
// are expanded, it and all after it stay packed, and the runtime is not run.
TEST_F(ImagePhase, ExpanderFailureStopsTheExpansion) {
    requireTestbedPrograms();
    if (IsSkipped()) return;
    seedCacheWithBaseImage();
    const std::string blocker = "lib\\deploy.vpk\\blocker.txt";
    ASSERT_TRUE(CreateDirectoryA(join(home.path(), "lib").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(join(home.path(), "lib\\deploy.vpk").c_str(), nullptr));
    testsupport::writeFileText(join(home.path(), blocker), "in the way\n");

    const ChildRun run = runImagePhase(inputs.patchAndTool, home.path());

    EXPECT_EQ(run.code, 61003u) << run.output;
    expectProblems(run, {"ERROR -- Exec: unpacking lib/deploy.vpk failed."});
    expectHome(home.path(), imageFiles(2), {blocker});
    EXPECT_EQ(entriesIn(cacheDir()), std::set<std::string>{"baseimagefam8"});
    expectProgress(run, {4, 5}, {4, 5});
}

TEST_F(ImagePhase, FailedClassDataSharingIsOnlyAWarning) {
    requireTestbedPrograms();
    if (IsSkipped()) return;
    seedCacheWithBaseImage();
    ASSERT_TRUE(CreateDirectoryA(join(home.path(), "bin").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(join(home.path(), "bin\\server").c_str(), nullptr));
    testsupport::writeFileText(join(home.path(), classDataFailMarker), "the test asks for it");

    const ChildRun run = runImagePhase(inputs.patchAndTool, home.path());

    EXPECT_EQ(run.code, 0u) << run.output;
    expectProblems(run, {"WARNING -- Exec: Class Data Sharing failed. Note: This error will be ignored"});
    expectHome(home.path(), imageFiles(), {classDataFailMarker});
    expectProgress(run, {4, 5, 6}, {4, 5, 6});
}

TEST_F(ImagePhase, EmptyHome) {
    seedCacheWithBaseImage();
    const ChildRun run = runImagePhase(inputs.patchAndTool, "");

    EXPECT_EQ(run.code, 61008u) << run.output;
    expectProblems(run, {"ERROR INSTALLDIR is not set for installer.exe"});
    EXPECT_EQ(entriesIn(cacheDir()), std::set<std::string>{"baseimagefam8"});
    expectProgress(run, {}, {});
}

// A level of the cache chain that leads elsewhere is refused before anything is made
// or secured through it.
TEST_F(ImagePhase, LinkInTheCacheChainIsRefused) {
    const testsupport::TempFolder elsewhere;
    const std::string reason = testsupport::makeFolderLink(join(commonAppData(), "Veyra"), elsewhere.path());
    if (!reason.empty()) {
        GTEST_SKIP() << "no folder link can be made here: " << reason;
    }
    const ChildRun run = runImagePhase(inputs.patchAndTool, home.path());

    EXPECT_EQ(run.code, 61000u) << run.output;
    expectProblems(run,
                   {"ERROR Exception: [" + join(commonAppData(), "Veyra") + "] is a link (reparse point)",
                    "ERROR -- Error creating extraction/working dirs -  failed."});
    EXPECT_TRUE(entriesIn(elsewhere.path()).empty());
    EXPECT_TRUE(filesBelow(home.path()).empty());
    expectProgress(run, {}, {});
}

// The cached image is never secured or read through a link.
TEST_F(ImagePhase, CachedImageThatIsALinkIsRefused) {
    const testsupport::TempFolder elsewhere;
    seedCache("placeholder");
    ASSERT_TRUE(DeleteFileA(cachedImage().c_str()));
    const std::string reason = testsupport::makeFolderLink(cachedImage(), elsewhere.path());
    if (!reason.empty()) {
        GTEST_SKIP() << "no folder link can be made here: " << reason;
    }
    const ChildRun run = runImagePhase(inputs.patchAndTool, home.path());

    EXPECT_EQ(run.code, 61000u) << run.output;
    expectProblems(run, {"ERROR Exception: [" + cachedImage() + "] is a link (reparse point)",
                         "ERROR -- Exec: error archiving baseimagefam file."});
    EXPECT_TRUE(entriesIn(elsewhere.path()).empty());
    EXPECT_TRUE(filesBelow(home.path()).empty());
    expectProgress(run, {4}, {});
}

TEST_F(ImagePhase, CachedImageThatIsAHardLinkIsRefused) {
    // Copying the carried image over a hard link would write into the other file.
    const testsupport::TempFolder elsewhere;
    const std::string victim = elsewhere.file("victim.dll");
    testsupport::writeFileText(victim, "victim");
    seedCache("placeholder");
    ASSERT_TRUE(DeleteFileA(cachedImage().c_str()));
    if (!CreateHardLinkA(cachedImage().c_str(), victim.c_str(), nullptr)) {
        GTEST_SKIP() << "no hard link can be made here: error " << GetLastError();
    }
    const ChildRun run = runImagePhase(inputs.withBaseImage, home.path());

    EXPECT_EQ(run.code, 61000u) << run.output;
    expectProblems(run, {"ERROR Exception: [" + cachedImage() + "] is a hard link (2 names)",
                         "ERROR -- Exec: error archiving baseimagefam file."});
    EXPECT_EQ(testsupport::readFileBytes(victim), "victim");
    EXPECT_TRUE(filesBelow(home.path()).empty());
    expectProgress(run, {4}, {});
}

// The progress block says that operation 4 has started and not yet finished. The phase
// reports the end of operation 4 before it lets go of the cache, so an attack that
// succeeds while this still holds succeeded against a held cache.
bool inOperation4() {
    try {
        const ipc::SharedMemoryUnsafe block = ipc::SharedMemoryUnsafe::create(
            ipc::SharedMemoryUnsafe::OpenExisting{}, progress::operationSequenceName);
        const ipc::SharedMemoryUnsafe::Snapshot snapshot(block);
        const auto record = progress::OperationMailbox::fromBytes(snapshot.buffer());
        return record && record->id() == 4 && record->state() == progress::OperationState::Started;
    } catch (const ipc::PlatformError&) {
        return false;
    }
}

// What another user's program tries against the patch cache while an install uses it:
// renaming and deleting each level of the chain and the working folder, and swapping
// the patch tool once the install says it holds it (between its write and that moment
// only the check of its bytes guards it). Each attempt that works is undone at once; the
// ones that worked while operation 4 still ran are the failures of the test.
class CacheAttacker {
public:
    explicit CacheAttacker(std::uint64_t logOffset) : logOffset_(logOffset) {}

    void attack() {
        std::vector<std::string> levels = {join(commonAppData(), "Veyra"),
                                           join(commonAppData(), "Veyra\\Vesk"), cacheDir()};
        std::vector<std::string> workFolders;
        for (const std::string& name : entriesIn(cacheDir())) {
            if (name.size() > 4 && name.substr(name.size() - 4) == ".tmp") {
                workFolders.push_back(join(cacheDir(), name));
            }
        }
        levels.insert(levels.end(), workFolders.begin(), workFolders.end());
        for (const std::string& level : levels) {
            const std::string aside = level + "-aside";
            attempt("rename " + level, MoveFileExA(level.c_str(), aside.c_str(), 0),
                    [&] { MoveFileExA(aside.c_str(), level.c_str(), 0); });
            attempt("delete " + level, RemoveDirectoryA(level.c_str()), [] {});
        }
        for (const std::string& folder : workFolders) {
            const std::string tool = join(folder, "bspatch.exe");
            if (isHeld(tool)) {
                attackTool(tool);
            }
        }
    }

    int toolAttacks() const { return toolAttacks_; }
    const std::vector<std::string>& succeeded() const { return succeeded_; }

private:
    // Whether the install has logged that it holds `tool`.
    bool isHeld(const std::string& tool) {
        if (heldTool_ != tool) {
            for (const testsupport::LogRecord& record :
                 testsupport::readLogRecords(Logger::instance().path(), logOffset_)) {
                if (record.message == "-- Holding [" + tool + "] against writing and deletion.") {
                    heldTool_ = tool;
                }
            }
        }
        return heldTool_ == tool;
    }

    void attackTool(const std::string& tool) {
        ++toolAttacks_;
        const HANDLE writer =
            CreateFileA(tool.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        attempt("open " + tool + " for writing", writer != INVALID_HANDLE_VALUE,
                [&] { CloseHandle(writer); });
        const std::string aside = tool + ".aside";
        attempt("rename " + tool, MoveFileExA(tool.c_str(), aside.c_str(), 0),
                [&] { MoveFileExA(aside.c_str(), tool.c_str(), 0); });
        attempt("delete " + tool, DeleteFileA(tool.c_str()), [] {});
    }

    template <class Undo>
    void attempt(const std::string& what, bool worked, Undo undo) {
        if (!worked) {
            return;
        }
        if (inOperation4()) {
            succeeded_.push_back(what);
        }
        undo();
    }

    std::uint64_t logOffset_;
    std::string heldTool_;
    int toolAttacks_ = 0;
    std::vector<std::string> succeeded_;
};

// Another program of the machine works against the patch cache while the phase uses it:
// the levels (one of them made beforehand by someone else) are held and the patch tool
// cannot be swapped, so every attempt fails and the genuine image is installed.
TEST_F(ImagePhase, NobodyCanRenameOrReplaceWhatTheCacheHoldsWhileItIsUsed) {
    requireTestbedPrograms();
    if (IsSkipped()) return;
    seedCacheWithBaseImage();
    const std::string logPath = Logger::instance().path();
    const std::uint64_t offset = testsupport::fileSize(logPath);

    CacheAttacker attacker(offset);
    testsupport::CapturedChild host(
        testsupport::buildCommandLine(inputs.host, {inputs.patchAndTool, home.path(), "64"}));
    std::optional<DWORD> code;
    while (!(code = host.waitFor(0))) {
        if (inOperation4()) {
            attacker.attack();
        }
    }

    EXPECT_EQ(*code, 0u) << host.output();
    EXPECT_GT(attacker.toolAttacks(), 0) << "the attacks never met the held patch tool";
    EXPECT_EQ(attacker.succeeded(), std::vector<std::string>{});
    expectHome(home.path(), imageFiles(), {classDataArchive});

    // Every level was secured, the ones made beforehand as well as the working folder.
    std::set<std::string> secured;
    for (const testsupport::LogRecord& record : testsupport::readLogRecords(logPath, offset)) {
        if (record.function == "FileUtils::setSecurity") {
            secured.insert(record.message);
        }
    }
    for (const char* level : {"Veyra", "Veyra\\Vesk", "Veyra\\Vesk\\installcache_x64"}) {
        EXPECT_EQ(secured.count("Set [" + join(commonAppData(), level) + "] security"), 1u)
            << level << " in " << testing::PrintToString(secured);
    }
}

// A level that another process has open (for deletion, say) cannot be held: the step
// ends before anything is written into the cache.
TEST_F(ImagePhase, ALevelThatSomeoneElseHoldsEndsTheStep) {
    seedCacheWithBaseImage();
    const std::string level = join(commonAppData(), "Veyra\\Vesk");
    const std::set<std::string> before = entriesIn(cacheDir());
    ChildRun run;
    {
        const testsupport::HeldFile held(level);
        run = runImagePhase(inputs.patchAndTool, home.path());
    }
    EXPECT_EQ(run.code, 61000u) << run.output;
    expectProblems(run, {"ERROR Exception: [" + level + "] cannot be held open",
                         "ERROR -- Error creating extraction/working dirs -  failed."});
    EXPECT_EQ(entriesIn(cacheDir()), before);
    EXPECT_TRUE(filesBelow(home.path()).empty());
    expectProgress(run, {}, {});
}

// The control bits of a folder's access rules as this system keeps them.
SECURITY_DESCRIPTOR_CONTROL daclControlOf(const std::string& folder) {
    DWORD needed = 0;
    GetFileSecurityA(folder.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
    std::vector<BYTE> descriptor(needed);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (needed == 0 ||
        !GetFileSecurityA(folder.c_str(), DACL_SECURITY_INFORMATION, descriptor.data(), needed, &needed) ||
        !GetSecurityDescriptorControl(descriptor.data(), &control, &revision)) {
        throw std::runtime_error("cannot read the access rules of " + folder);
    }
    return control;
}

// A level made beforehand by someone else is taken over: afterwards it carries access
// rules protected against what the folder above passes down.
TEST_F(ImagePhase, ALevelMadeBeforehandIsSecuredWithAProtectedDescriptor) {
    const testsupport::TempFolder probe;
    PSECURITY_DESCRIPTOR protectedRules = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;OICI;FA;;;WD)", SDDL_REVISION_1,
                                                                     &protectedRules, nullptr));
    const BOOL applied = SetFileSecurityA(probe.path().c_str(), DACL_SECURITY_INFORMATION, protectedRules);
    LocalFree(protectedRules);
    if (!applied || !(daclControlOf(probe.path()) & SE_DACL_PROTECTED)) {
        GTEST_SKIP() << "this system does not keep the protection of a folder's access rules; the securing "
                        "calls are checked by NobodyCanRenameOrReplaceWhatTheCacheHoldsWhileItIsUsed";
    }
    seedCache(wrongImage());
    ASSERT_FALSE(daclControlOf(join(commonAppData(), "Veyra")) & SE_DACL_PROTECTED);

    const ChildRun run = runImagePhase(inputs.patchAndTool, home.path());

    EXPECT_EQ(run.code, 61000u) << run.output;
    for (const char* level : {"Veyra", "Veyra\\Vesk", "Veyra\\Vesk\\installcache_x64"}) {
        EXPECT_TRUE(daclControlOf(join(commonAppData(), level)) & SE_DACL_PROTECTED) << level;
    }
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc != 9) {
        std::fprintf(stderr,
                     "usage: %s HOST WATCHER INSTALLER_5_7 INSTALLER_NONE INSTALLER_5_6_7 DAMAGED_MODULE "
                     "BASE_IMAGE NEW_IMAGE_LIST\n",
                     argv[0]);
        return 2;
    }
    inputs = {argv[1], argv[2], argv[3], argv[4], argv[5], argv[6], argv[7], argv[8]};
    return RUN_ALL_TESTS();
}

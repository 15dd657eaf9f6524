#include "install/ImagePhase.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <string>

#include "diag/CatchAndLog.h"
#include "diag/ErrorText.h"
#include "diag/Logger.h"
#include "diag/tstrings.h"
#include "install/BaseImage.h"
#include "install/ExtractFiles.h"
#include "install/HeldPayloadFile.h"
#include "install/PayloadResource.h"
#include "install/UnpackVpk.h"
#include "install/WorkFolders.h"
#include "integrate/ProductView.h"
#include "integrate/VabFiles.h"
#include "platform/CleanupList.h"
#include "platform/Executor.h"
#include "platform/FileUtils.h"
#include "platform/SecurityDescriptor.h"
#include "progress/ClientOperation.h"
#include "zip/ZipFile.h"

namespace {

constexpr const char* function = "InstallVRE";

bool hasPayloadResource(HMODULE module, WORD id) {
    return FindResourceA(module, MAKEINTRESOURCEA(id), RT_RCDATA) != nullptr;
}

// Runs `step`; an exception it raises is logged and makes the answer false.
template <class Step>
bool succeeds(Step&& step) {
    try {
        step();
        return true;
    }
    VDS_CATCH_AND_LOG(function)
    return false;
}

bool changeDirectory(const std::string& path) {
    if (SetCurrentDirectoryA(path.c_str())) {
        return true;
    }
    const DWORD error = GetLastError();
    LOG_ERROR(function, "-- SetCurrentDirectory(" << path << ") failed: " << systemErrorText(error));
    return false;
}

// The patch tool is started by its bare name in the working folder, its current
// directory, and reads and writes the files there.
bool applyPatch(const WorkFolders& folders) {
    if (!changeDirectory(folders.workDir())) {
        return false;
    }
    const std::string arguments = std::string("bspatch.exe baseimagefam") + "8" + " newimage diff";
    return Executor::ExecProcessWaitForFinish("bspatch.exe", arguments) == 0;
}

// Writes the payload into the working folder and holds the patch tool it wrote until
// `patchTool` goes.
bool writePayload(HMODULE module, const WorkFolders& folders, bool silent,
                  std::optional<HeldPayloadFile>& patchTool) {
    if (!ExtractFiles(module, folders.workDir(), silent)) {
        return false;
    }
    return !hasPayloadResource(module, PayloadIds::patchTool) || succeeds([&] {
        patchTool.emplace(module, PayloadIds::patchTool, FileUtils::join(folders.workDir(), "bspatch.exe"));
    });
}

void unzipImage(const WorkFolders& folders, const std::string& home, const InstalledVesk& product) {
    const std::vector<std::string> otherArchitectures = VabFiles::getOtherArchVabFiles(product);
    // The zip reader takes archive paths in UTF-8.
    const std::string image = FileUtils::join(folders.workDir(), "newimage");
    const ZipFile archive(tstrings::toUtf8(tstrings::toUtf16(image, CP_ACP)));
    archive.extractAll(home, otherArchitectures);
}

// Operation 4: rebuilds the new image from the payload and the base image and unzips it
// into home. The cache levels, the working folder and the patch tool are held from
// when they are secured or written until the operation ends; then the working folder
// and the empty levels of the cache go, on every path (also when an exception leaves).
// The operation is reported finished just before that.
std::int32_t rebuildImage(HMODULE module, const InstalledVesk& product, const std::string& home,
                          bool silent) {
    std::optional<CleanupList> cleanup(std::in_place, false);
    std::optional<security::SecurityDescriptor> descriptor;
    std::optional<WorkFolders> folders;
    const bool prepared = succeeds([&] {
        descriptor.emplace(security::ownerFolderDescriptor());
        folders.emplace(WorkFolders::make(CacheChain::processBits(), *descriptor));
        folders->addTo(*cleanup);
    });
    if (!prepared) {
        LOG_ERROR(function, "-- Error creating extraction/working dirs -  failed.");
        return InstallResult::extractionFailed;
    }

    std::optional<progress::ClientOperation> operation(std::in_place, 4);
    std::optional<HeldPayloadFile> patchTool;
    const auto finish = [&](std::int32_t code) {
        operation.reset();
        patchTool.reset();
        folders.reset();
        cleanup.reset();
        return code;
    };

    if (!writePayload(module, *folders, silent, patchTool)) {
        LOG_ERROR(function, "-- Exec: Extracting files () failed.");
        return finish(InstallResult::extractionFailed);
    }

    if (!succeeds([&] { BaseImage::stage(folders->cacheDir(), folders->workDir(), *descriptor); })) {
        LOG_ERROR(function, "-- Exec: error archiving baseimagefam file.");
        return finish(InstallResult::extractionFailed);
    }

    const bool patched = applyPatch(*folders);
    // Out of the working folder, so that it can be deleted.
    changeDirectory(folders->cacheDir());
    if (!patched) {
        LOG_ERROR(function, "-- Exec: Patching () failed.");
        return finish(InstallResult::patchingFailed);
    }

    if (!succeeds([&] { unzipImage(*folders, home, product); })) {
        LOG_ERROR(function, "-- Exec: unzipping() failed.");
        return finish(InstallResult::unzippingFailed);
    }
    return finish(InstallResult::success);
}

bool unpackArchives(const std::string& home) {
    const progress::ClientOperation operation(5);
    return std::all_of(std::begin(UnpackVpk::archives), std::end(UnpackVpk::archives), UnpackVpk(home));
}

void buildClassDataArchive(const std::string& home) {
    const progress::ClientOperation operation(6);
    const std::string runtime = FileUtils::join(home, "\\bin\\veskw.exe");
    const std::string commandLine = "\"" + runtime + "\" -Xshare:dump -Dvdk.disableLastUsageTracking";
    if (Executor::ExecProcessWaitForFinish(runtime, commandLine) != 0) {
        LOG_WARNING(function, "-- Exec: Class Data Sharing failed. Note: This error will be ignored");
    }
}

}  // namespace

ImagePhaseResult InstallVREImage(HMODULE module, const InstalledVesk& product, bool silent) {
    LOG_TRACE(function, "-- InstallVRE() begin");
    const std::string home = product.homeDir;
    // A relative home would be resolved against whatever the current directory is.
    if (!VeskSetupManager::ProductView::hasUsableHome(product)) {
        LOG_ERROR(function, "INSTALLDIR is not set for installer.exe");
        if (!home.empty()) {
            LOG_ERROR(function, "-- The home directory [" << home << "] is not an absolute path");
        }
        return {InstallResult::noHomeDirectory, false};
    }
    ImagePhaseResult result;
    result.noPayload =
        !hasPayloadResource(module, PayloadIds::patch) && !hasPayloadResource(module, PayloadIds::baseImage);
    if (!result.noPayload) {
        result.code = rebuildImage(module, product, home, silent);
        if (result.code != InstallResult::success) {
            return result;
        }
        if (!unpackArchives(home)) {
            result.code = InstallResult::unpackingFailed;
            return result;
        }
    }
    buildClassDataArchive(home);
    return result;
}

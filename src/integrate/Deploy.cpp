#include "integrate/Deploy.h"

#include <array>
#include <stdexcept>

#include "diag/Logger.h"
#include "diag/VdsError.h"
#include "diag/tstrings.h"
#include "integrate/DeployHints.h"
#include "integrate/VabFiles.h"
#include "platform/FileUtils.h"
#include "platform/FileUtilsNoFollow.h"

namespace {

constexpr const char* deployLibrary = "deploy.dll";

// The runtime's C-runtime files, in the order in which deploy.dll's needs are met: they
// are in memory before it loads, so that it gets the runtime's copies.
constexpr std::array<const char*, 39> runtimeLibraries = {
    "api-ms-win-core-errorhandling-l1-1-0.dll",
    "api-ms-win-core-heap-l1-1-0.dll",
    "api-ms-win-core-processthreads-l1-1-0.dll",
    "api-ms-win-core-libraryloader-l1-1-0.dll",
    "api-ms-win-core-synch-l1-1-0.dll",
    "api-ms-win-core-debug-l1-1-0.dll",
    "api-ms-win-core-processenvironment-l1-1-0.dll",
    "api-ms-win-core-file-l1-1-0.dll",
    "api-ms-win-core-string-l1-1-0.dll",
    "api-ms-win-core-localization-l1-2-0.dll",
    "api-ms-win-core-datetime-l1-1-0.dll",
    "api-ms-win-core-sysinfo-l1-1-0.dll",
    "api-ms-win-core-rtlsupport-l1-1-0.dll",
    "api-ms-win-core-processthreads-l1-1-1.dll",
    "api-ms-win-core-console-l1-1-0.dll",
    "api-ms-win-core-handle-l1-1-0.dll",
    "api-ms-win-core-file-l1-2-0.dll",
    "api-ms-win-core-namedpipe-l1-1-0.dll",
    "api-ms-win-core-timezone-l1-1-0.dll",
    "api-ms-win-core-file-l2-1-0.dll",
    "api-ms-win-core-synch-l1-2-0.dll",
    "api-ms-win-core-profile-l1-1-0.dll",
    "api-ms-win-core-memory-l1-1-0.dll",
    "api-ms-win-core-util-l1-1-0.dll",
    "api-ms-win-core-interlocked-l1-1-0.dll",
    "ucrtbase.dll",
    "api-ms-win-crt-runtime-l1-1-0.dll",
    "api-ms-win-crt-heap-l1-1-0.dll",
    "api-ms-win-crt-string-l1-1-0.dll",
    "api-ms-win-crt-stdio-l1-1-0.dll",
    "api-ms-win-crt-convert-l1-1-0.dll",
    "vcruntime140.dll",
    "api-ms-win-crt-locale-l1-1-0.dll",
    "api-ms-win-crt-math-l1-1-0.dll",
    "api-ms-win-crt-filesystem-l1-1-0.dll",
    "api-ms-win-crt-time-l1-1-0.dll",
    "api-ms-win-crt-environment-l1-1-0.dll",
    "api-ms-win-crt-utility-l1-1-0.dll",
    "msvcp140.dll",
};

constexpr const char* callFunction = "`anonymous-namespace'::call";
constexpr const char* commandFunction = "`anonymous-namespace'::executeCommand";

std::string binFolderOf(const InstalledVesk& product) {
    return FileUtils::join(VabFiles::runtimeFolder(product), "bin");
}

Dll loadFrom(const std::string& binFolder, const char* name) {
    const std::string path = FileUtils::join(binFolder, name);
    LOG_TRACE("Deploy::Deploy", "Loading " << path << "...");
    return Dll::load(tstrings::toUtf16(path, CP_ACP));
}

std::vector<Dll> loadLibraries(const std::string& binFolder) {
    std::vector<Dll> libraries;
    libraries.reserve(runtimeLibraries.size() + 1);
    for (const char* name : runtimeLibraries) {
        libraries.push_back(loadFrom(binFolder, name));
    }
    libraries.push_back(loadFrom(binFolder, deployLibrary));
    return libraries;
}

std::string textOf(const wchar_t* text) { return text == nullptr ? "<null>" : tstrings::toUtf8(text); }

void executeCommand(const InstallCommand& command) {
    LOG_TRACE(commandFunction, "InstallCommand(type=" << command.type << "; query_type=" << command.query_type
                                                      << "; src=" << textOf(command.src)
                                                      << "; dst=" << textOf(command.dst)
                                                      << "; okAction=" << command.okAction << " [ignored]"
                                                      << "; failAction=" << command.failAction << " [ignored]"
                                                      << "; optional=" << command.optional << ")");
    if (command.type != InstallCommand::deleteFile) {
        LOG_WARNING(commandFunction, "Ignore InstallCommand with type=" << command.type);
        return;
    }
    if (command.dst == nullptr) {
        LOG_WARNING(commandFunction, "Not executing DEL Deploy command as 'dst' is not set");
        return;
    }
    // The name exactly as the library gave it: a conversion to the ANSI code page could
    // turn it into another file's name.
    if (!FileUtils::deleteFileNoFollow(command.dst)) {
        LOG_WARNING(commandFunction, "Nothing to delete at [" << textOf(command.dst) << "]: no such file");
    }
}

// Calls `entryPoint` of the library at `modulePath` with `hints` and carries out the
// commands it returns. Only this program's own array and capacity are trusted: the
// library may rewrite the record's capacity and array pointer, and a count it reports is
// checked against the capacity as a signed number.
void call(const std::string& modulePath, const char* name, const DllFunction<DeployEntryPoint>& entryPoint,
          InstallHints hints) {
    std::array<InstallCommand, Deploy::commandCapacity> commands{};
    InstallCommands record{0, Deploy::commandCapacity, 0, 0, commands.data()};
    const std::string callText = modulePath + "@" + name + "(" + DeployHints::describe(hints) +
                                 ", version=" + tstrings::toDecimal(record.version) +
                                 ", command count=" + tstrings::toDecimal(record.maxCmds) + ") returned ";
    DeployEntryPoint* const function = entryPoint;
    if (!function(&hints, &record)) {
        VDS_THROW(std::runtime_error, callFunction, callText + "FALSE");
    }
    const std::int32_t count = record.cmdCnt;
    LOG_TRACE(callFunction, callText << "TRUE; command count=" << count);
    if (count < 0 || count > Deploy::commandCapacity) {
        VDS_THROW(std::runtime_error, callFunction,
                  "cmds.cmdCnt=" + tstrings::toDecimal(count) + " should be less or equal to cmds.maxCmds=" +
                      tstrings::toDecimal(Deploy::commandCapacity));
    }
    for (std::int32_t index = 0; index < count; ++index) {
        executeCommand(commands[static_cast<std::size_t>(index)]);
    }
}

}  // namespace

Deploy::Deploy(const InstalledVesk& product)
    : binFolder_(binFolderOf(product)),
      libraries_(loadLibraries(binFolder_)),
      registerDeployEx_(libraries_.back(), "RegisterDeployEx"),
      unregisterDeployEx_(libraries_.back(), "UnregisterDeployEx") {}

Deploy::~Deploy() {
    while (!libraries_.empty()) {
        libraries_.pop_back();
    }
}

void Deploy::install(const InstallConfigData& config) {
    call(modulePath(), "RegisterDeployEx", registerDeployEx_, DeployHints::fromConfig(config));
}

void Deploy::uninstall() {
    call(modulePath(), "UnregisterDeployEx", unregisterDeployEx_, DeployHints::defaults());
}

std::string Deploy::modulePath() const { return FileUtils::join(binFolder_, deployLibrary); }

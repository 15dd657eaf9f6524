#include "settings/SettingsFile.h"

#include <windows.h>

#include <cstdio>
#include <memory>

#include "diag/CatchAndLog.h"
#include "diag/Logger.h"
#include "diag/tstrings.h"
#include "platform/FileUtils.h"
#include "platform/SecurityDescriptor.h"
#include "settings/Exception.h"
#include "settings/ResultCodes.h"
#include "win/AutoHandle.h"

namespace settings_impl::settings_file {

namespace {

constexpr const char* kFunction = "settings_impl::settings_file::write";

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

void createFolders(const FilePath& path) {
    try {
        // Wide, so that a name outside the ANSI code page is created as it is named.
        FileUtils::createDirs(tstrings::toUtf16(FileUtils::dirname(path.narrow()), CP_UTF8));
    } catch (const std::exception& error) {
        logException(VDS_LOCATION(kFunction), error);
        throw settings::Exception(settings::kInvalidPath,
                                  "cannot create the folders of '" + path.narrow() + "'");
    }
}

void rewrite(const FilePath& path, const std::string& text) {
    // Mode "w" truncates: a shorter text never leaves the old tail behind.
    std::unique_ptr<std::FILE, FileCloser> file(_wfopen(path.wide().c_str(), L"wt"));
    if (!file) {
        throw settings::Exception(settings::kWriteFailed, "cannot open '" + path.narrow() + "' for writing");
    }
    const std::size_t written = std::fwrite(text.data(), 1, text.size(), file.get());
    if (written != text.size() || std::fclose(file.release()) != 0) {
        throw settings::Exception(settings::kWriteFailed, "cannot write '" + path.narrow() + "'");
    }
}

security::SecurityDescriptor newFileDescriptor() {
    try {
        return security::SecurityDescriptor(kNewFileSddl);
    } catch (const std::exception& error) {
        logException(VDS_LOCATION(kFunction), error);
        throw settings::Exception(settings::kInternalError, "cannot build the settings file's access rules");
    }
}

void create(const FilePath& path, const std::string& text) {
    const security::SecurityDescriptor descriptor = newFileDescriptor();
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.get(), FALSE};
    const AutoHandle file(CreateFileW(path.wide().c_str(), GENERIC_READ | GENERIC_WRITE, 0, &attributes,
                                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD code = GetLastError();
        throw settings::Exception(settings::kInternalError,
                                  "cannot create '" + path.narrow() + "' (error " + std::to_string(code) + ")");
    }
    LOG_TRACE(kFunction, "Created [" << path.narrow() << "] file");
    DWORD written = 0;
    if (!WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size()) {
        throw settings::Exception(settings::kWriteFailed, "cannot write '" + path.narrow() + "'");
    }
}

}  // namespace

void write(const FilePath& path, const std::string& text) {
    createFolders(path);
    if (GetFileAttributesW(path.wide().c_str()) != INVALID_FILE_ATTRIBUTES) {
        rewrite(path, text);
    } else {
        create(path, text);
    }
}

}  // namespace settings_impl::settings_file

#include "install/ExtractFiles.h"

#include <algorithm>
#include <cstddef>

#include "diag/Logger.h"
#include "diag/TraceScope.h"
#include "diag/logit.h"
#include "install/FatalWin32Error.h"
#include "install/PayloadResource.h"
#include "platform/FileUtils.h"
#include "win/AutoHandle.h"

namespace {

struct PayloadFile {
    WORD id;
    const char* name;
};

// In this order: the patch, the patch tool, then the base image when it is carried.
constexpr PayloadFile kPayloadFiles[] = {
    {PayloadIds::patch, "diff"},
    {PayloadIds::patchTool, "bspatch.exe"},
    {PayloadIds::baseImage,
     "baseimagefam"
     "8"},
};

// Large resources are written in pieces of this size.
constexpr DWORD kWriteChunk = 8192;

void writeAll(HANDLE file, const BYTE* data, DWORD size, bool silent) {
    DWORD done = 0;
    while (done < size) {
        const DWORD chunk = std::min(kWriteChunk, size - done);
        DWORD written = 0;
        // A write that reports success without writing anything would never finish the
        // loop; it is a failed write like any other.
        if (!WriteFile(file, data + done, chunk, &written, nullptr) || written == 0) {
            fatalWin32Error("Installer : Wrapper.WriteFile (In small chunks) ", silent);
        }
        done += written;
    }
}

}  // namespace

bool ExtractFiles(HMODULE module, const std::string& directory, bool silent) {
    TRACE_SCOPE("ExtractFiles");
    for (const PayloadFile& payload : kPayloadFiles) {
        if (FindResourceA(module, MAKEINTRESOURCEA(payload.id), RT_RCDATA) == nullptr) {
            continue;
        }
        const std::string path = FileUtils::join(directory, payload.name);
        LOG_TRACE("ExtractFiles", "Extracting resource " << payload.id << " into \"" << path << "\"...");

        const PayloadResource resource(module, payload.id);
        if (resource.data == nullptr) {
            LOG_ERROR("ExtractFiles", "Failed to extract " << payload.id << " into " << path);
            return false;
        }

        AutoHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            fatalWin32Error("Installer : Wrapper.CreateFile ", silent);
        }
        writeAll(file.get(), resource.data, resource.size, silent);
        // Closed here rather than by the owner: a failed close may mean lost data.
        if (!CloseHandle(file.release())) {
            fatalWin32Error("Installer : Wrapper.CloseHandle ", silent);
        }
    }
    logit("successfully extracted files for install, return true ");
    return true;
}

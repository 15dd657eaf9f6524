#include "platform/HeldFolder.h"

#include <stdexcept>

#include "diag/SysError.h"
#include "diag/VdsError.h"
#include "platform/FileUtils.h"

namespace {

constexpr DWORD heldAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | READ_CONTROL |
                             WRITE_DAC | WRITE_OWNER | SYNCHRONIZE;

[[noreturn]] void refuseLink(const std::string& path) {
    VDS_THROW(std::runtime_error, "HeldFolder::HeldFolder",
              "[" + path + "] is a link (reparse point); it must not lead elsewhere, refusing to use it");
}

}  // namespace

HeldFolder::HeldFolder(std::string path) : path_(std::move(path)) {
    // Refused before it is opened as well: a link that is not a reparse point to the
    // handle (as some file systems show one) is still seen by its attributes.
    if (FileUtils::isReparsePoint(path_)) {
        refuseLink(path_);
    }
    handle_.reset(CreateFileA(path_.c_str(), heldAccess, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                              nullptr));
    if (!handle_) {
        const DWORD code = GetLastError();
        VDS_THROW(SysError, "HeldFolder::HeldFolder", "[" + path_ + "] cannot be held open", CreateFileA,
                  code);
    }
    const BY_HANDLE_FILE_INFORMATION information = FileUtils::informationOf(handle_.get(), path_);
    if (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        refuseLink(path_);
    }
    if (!(information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        VDS_THROW(std::runtime_error, "HeldFolder::HeldFolder", "[" + path_ + "] is not a folder");
    }
}

void HeldFolder::secure(const security::SecurityDescriptor& descriptor) const {
    FileUtils::setSecurity(handle_.get(), path_, descriptor);
}

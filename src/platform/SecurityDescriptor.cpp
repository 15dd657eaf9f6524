#include "platform/SecurityDescriptor.h"

#include <sddl.h>

#include "diag/SysError.h"
#include "diag/VdsError.h"
#include "platform/SecuritySid.h"

namespace security {

namespace {

// Frees the descriptor that the conversion allocated, also when copying it fails.
struct LocalDescriptor {
    ~LocalDescriptor() { LocalFree(pointer); }
    PSECURITY_DESCRIPTOR pointer = nullptr;
};

}  // namespace

SecurityDescriptor::SecurityDescriptor(const std::string& sddl) {
    LocalDescriptor converted;
    ULONG size = 0;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1,
                                                              &converted.pointer, &size)) {
        VDS_THROW(SysError, "security::SecurityDescriptor::SecurityDescriptor",
                  "ConvertStringSecurityDescriptorToSecurityDescriptor failed",
                  ConvertStringSecurityDescriptorToSecurityDescriptorA, GetLastError());
    }
    const BYTE* bytes = static_cast<const BYTE*>(converted.pointer);
    bytes_.assign(bytes, bytes + size);
}

std::string ownerFolderSddl() {
    return "O:" + Sid::processOwnerUser().toString() + "D:(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FR;;;WD)";
}

SecurityDescriptor ownerFolderDescriptor() { return SecurityDescriptor(ownerFolderSddl()); }

}  // namespace security

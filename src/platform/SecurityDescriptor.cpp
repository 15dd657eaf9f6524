#include "platform/SecurityDescriptor.h"

#include <sddl.h>

#include "diag/LocalBuffer.h"
#include "diag/SysError.h"
#include "diag/VdsError.h"
#include "platform/SecuritySid.h"

namespace security {

SecurityDescriptor::SecurityDescriptor(const std::string& sddl) {
    // Freed also when copying it fails.
    LocalBuffer<void> converted;
    ULONG size = 0;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1,
                                                              converted.receive(), &size)) {
        const DWORD code = GetLastError();
        VDS_THROW(SysError, "security::SecurityDescriptor::SecurityDescriptor",
                  "ConvertStringSecurityDescriptorToSecurityDescriptor failed",
                  ConvertStringSecurityDescriptorToSecurityDescriptorA, code);
    }
    const BYTE* bytes = static_cast<const BYTE*>(converted.get());
    bytes_.assign(bytes, bytes + size);
}

std::string ownerFolderSddl() {
    return "O:" + Sid::processOwnerUser().toString() + "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FR;;;WD)";
}

SecurityDescriptor ownerFolderDescriptor() { return SecurityDescriptor(ownerFolderSddl()); }

const char* const commandPathSddl = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FRFX;;;WD)";

SecurityDescriptor commandPathDescriptor() { return SecurityDescriptor(commandPathSddl); }

}  // namespace security

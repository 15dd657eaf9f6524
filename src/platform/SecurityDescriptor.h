#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace security {

// A self-relative security descriptor made from SDDL text; file operations take it
// through get().
class SecurityDescriptor {
public:
    // Converts `sddl` (revision 1); throws VdsError<SysError>
    // "ConvertStringSecurityDescriptorToSecurityDescriptor failed".
    explicit SecurityDescriptor(const std::string& sddl);

    PSECURITY_DESCRIPTOR get() const { return const_cast<BYTE*>(bytes_.data()); }
    std::size_t size() const { return bytes_.size(); }

private:
    std::vector<BYTE> bytes_;
};

// The access rules of the folders the install sequence creates or takes over: owned by
// the installing user; LocalSystem and Administrators full access, Everyone read;
// inherited by files and sub-folders. The DACL is protected: nothing is inherited from
// the folder above (the common application-data folder lets every user create files).
// "O:<user SID>D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FR;;;WD)".
std::string ownerFolderSddl();
SecurityDescriptor ownerFolderDescriptor();

// The access rules of the command-path folder and its target: as above without an owner,
// and Everyone may also run the programs there. Protected as well.
extern const char* const commandPathSddl;
SecurityDescriptor commandPathDescriptor();

}  // namespace security

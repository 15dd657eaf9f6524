#include "platform/SecuritySid.h"

#include <sddl.h>

#include <cstring>
#include <vector>

#include "diag/LocalBuffer.h"
#include "diag/SysError.h"
#include "diag/VdsError.h"
#include "win/AutoHandle.h"

namespace security {

namespace {

AutoHandle processToken() {
    AutoHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.receive())) {
        const DWORD code = GetLastError();
        VDS_THROW(SysError, "security::processToken", "OpenProcessToken failed", OpenProcessToken, code);
    }
    return token;
}

}  // namespace

Sid Sid::fromPSID(PSID sid) {
    Sid copy;
    std::memset(copy.buffer_, 0, sizeof copy.buffer_);
    if (!CopySid(sizeof copy.buffer_, copy.buffer_, sid)) {
        const DWORD code = GetLastError();
        VDS_THROW(SysError, "security::Sid::fromPSID", "CopySid failed", CopySid, code);
    }
    return copy;
}

Sid Sid::processOwnerUser() {
    const AutoHandle token = processToken();
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    if (size == 0) {
        const DWORD code = GetLastError();
        VDS_THROW(SysError, "security::Sid::processOwnerUser", "GetTokenInformation (get size) failed",
                  GetTokenInformation, code);
    }
    std::vector<BYTE> buffer(size);
    if (!GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) {
        const DWORD code = GetLastError();
        VDS_THROW(SysError, "security::Sid::processOwnerUser", "GetTokenInformation failed",
                  GetTokenInformation, code);
    }
    return fromPSID(reinterpret_cast<const TOKEN_USER*>(buffer.data())->User.Sid);
}

std::string Sid::toString() const {
    LocalBuffer<char> text;
    if (!ConvertSidToStringSidA(get(), text.receive())) {
        const DWORD code = GetLastError();
        VDS_THROW(SysError, "security::Sid::toString", "ConvertSidToStringSid failed", ConvertSidToStringSidA,
                  code);
    }
    return text.get();
}

}  // namespace security

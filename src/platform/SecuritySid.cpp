#include "platform/SecuritySid.h"

#include <sddl.h>

#include <cstring>
#include <vector>

#include "diag/SysError.h"
#include "diag/VdsError.h"
#include "win/AutoHandle.h"

namespace security {

namespace {

AutoHandle processToken() {
    AutoHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.receive())) {
        VDS_THROW(SysError, "security::processToken", "OpenProcessToken failed", OpenProcessToken,
                  GetLastError());
    }
    return token;
}

// Frees a buffer that a Windows call allocated with LocalAlloc.
struct LocalBuffer {
    ~LocalBuffer() { LocalFree(pointer); }
    char* pointer = nullptr;
};

}  // namespace

Sid Sid::fromPSID(PSID sid) {
    Sid copy;
    std::memset(copy.buffer_, 0, sizeof copy.buffer_);
    if (!CopySid(sizeof copy.buffer_, copy.buffer_, sid)) {
        VDS_THROW(SysError, "security::Sid::fromPSID", "CopySid failed", CopySid, GetLastError());
    }
    return copy;
}

Sid Sid::processOwnerUser() {
    const AutoHandle token = processToken();
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    if (size == 0) {
        VDS_THROW(SysError, "security::Sid::processOwnerUser", "GetTokenInformation (get size) failed",
                  GetTokenInformation, GetLastError());
    }
    std::vector<BYTE> buffer(size);
    if (!GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) {
        VDS_THROW(SysError, "security::Sid::processOwnerUser", "GetTokenInformation failed",
                  GetTokenInformation, GetLastError());
    }
    return fromPSID(reinterpret_cast<const TOKEN_USER*>(buffer.data())->User.Sid);
}

std::string Sid::toString() const {
    LocalBuffer text;
    if (!ConvertSidToStringSidA(get(), &text.pointer)) {
        VDS_THROW(SysError, "security::Sid::toString", "ConvertSidToStringSid failed", ConvertSidToStringSidA,
                  GetLastError());
    }
    return text.pointer;
}

}  // namespace security
